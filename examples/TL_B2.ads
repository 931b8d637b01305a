# Transfer line: buffer 2 of 1 slot; filled by 4, emptied by 5.

TL_B2

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
0     1   0    
0     2   0    
0     3   0    
0     4   1    
0     6   0    
0     8   0    
1     1   1    
1     2   1    
1     3   1    
1     5   0    
1     6   1    
1     8   1    

