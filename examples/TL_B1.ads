# Transfer line: buffer 1 of 3 slots; filled by 2 and 6, emptied by 3.

TL_B1

State size (State set will be (0,1....,size-1)):
# <-- Enter state size, in range 0 to 2000000, on line below.
4

Marker states:
# <-- Enter marker states, one per line.
0

Vocal states:
# <-- Enter vocal output states, one per line.

Transitions:
# <-- Enter transition triple, one per line.
# Format: Exit_(Source)_State  Transition_Label  Entrance_(Target)_State.
0     1   0    
0     2   1    
0     4   0    
0     5   0    
0     6   1    
0     8   0    
1     1   1    
1     2   2    
1     3   0    
1     4   1    
1     5   1    
1     6   2    
1     8   1    
2     1   2    
2     2   3    
2     3   1    
2     4   2    
2     5   2    
2     6   3    
2     8   2    
3     1   3    
3     3   2    
3     4   3    
3     5   3    
3     8   3    

