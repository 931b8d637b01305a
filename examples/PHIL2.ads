# Dining philosophers: philosopher 2 takes fork 2 (21), fork 1 (23), puts both down (20).

PHIL2

State size (State set will be (0,1....,size-1)):
# <-- Enter state size, in range 0 to 2000000, on line below.
3

Marker states:
# <-- Enter marker states, one per line.
0

Vocal states:
# <-- Enter vocal output states, one per line.

Transitions:
# <-- Enter transition triple, one per line.
# Format: Exit_(Source)_State  Transition_Label  Entrance_(Target)_State.
0     21  1    
1     23  2    
2     20  0    

