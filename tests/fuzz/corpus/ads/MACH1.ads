# Small factory: machine 1 (idle, working, down); 11 start, 10 finish, 12 break, 13 repair.

MACH1

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
1     10  0    
1     12  2    
2     13  0    

