# Dining philosophers: fork 2, taken by 13 or 21, freed by 10 or 20.

FORK2

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
0     13  1    
0     21  2    
1     10  0    
2     20  0    

