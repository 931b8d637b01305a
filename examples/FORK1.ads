# Dining philosophers: fork 1, taken by 11 or 23, freed by 10 or 20.

FORK1

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
0     11  1    
0     23  2    
1     10  0    
2     20  0    

