# Maze: cat moving between rooms 0-2; 11: 0->1, 13: 1->2, 15: 2->0, 16 (uncontrollable): 1->0.

CAT

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
1     13  2    
1     16  0    
2     15  0    

