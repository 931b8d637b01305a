# Small factory: machine 2 (idle, working, down); 21 start, 22 finish, 24 break, 23 repair.

MACH2

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
1     22  0    
1     24  2    
2     23  0    

