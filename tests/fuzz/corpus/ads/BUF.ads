# Small factory: one-slot buffer; MACH1 finishing (10) fills it, MACH2 starting (21) empties it.

BUF

State size (State set will be (0,1....,size-1)):
# <-- Enter state size, in range 0 to 2000000, on line below.
2

Marker states:
# <-- Enter marker states, one per line.
0

Vocal states:
# <-- Enter vocal output states, one per line.

Transitions:
# <-- Enter transition triple, one per line.
# Format: Exit_(Source)_State  Transition_Label  Entrance_(Target)_State.
0     10  1    
0     11  0    
0     12  0    
0     13  0    
0     20  0    
0     22  0    
0     23  0    
1     11  1    
1     12  1    
1     13  1    
1     20  1    
1     21  0    
1     22  1    
1     23  1    

