// Strongly connected components of a subgraph of a DES, for the procedures that solve set
// equations over cycles of silent states or erase the cycles of a null event.
#ifndef SARV_ALGO_SCC_H
#define SARV_ALGO_SCC_H

#include <cstdlib>

#include "algo/grow_buf.h"
#include "model/des_data.h"
#include "model/mymalloc.h"

// Numbers the components of the subgraph whose states satisfy member(s) and whose transitions
// satisfy keep(source, tran) (both ends members). component[s] receives the number, or -1 for a
// non-member; components are numbered in the order Tarjan's search completes them, so every
// component a transition leads to has a smaller number than its own. Returns the number of
// components, or -1 with mem_result set when memory runs out. Does not change the DES.
// Time: O(V + E).
template <typename Member, typename Keep>
state_t strong_components(state_t n, const state_node *des, Member member, Keep keep,
                          int32_t *component) {
  struct frame {
    state_t state;
    int next;
  };
  int32_t *order = static_cast<int32_t *>(CALLOC(n > 0 ? static_cast<size_t>(n) : 1, 4));
  int32_t *low = MALLOC_N<int32_t>(n > 0 ? static_cast<size_t>(n) : 1);
  grow_buf<frame> frames;
  grow_buf<state_t> members;
  state_t components = 0;
  int32_t counter = 0;
  bool ok = order != nullptr && low != nullptr;
  for (state_t s = 0; ok && s < n; s++) component[s] = -1;
  for (state_t root = 0; ok && root < n; root++) {
    if (order[root] || !member(root)) continue;
    order[root] = low[root] = ++counter;
    ok = frames.push(frame{root, 0}) && members.push(root);
    while (ok && frames.len > 0) {
      frame &top = frames.items[frames.len - 1];
      state_t v = top.state;
      if (top.next < des[v].numelts) {
        tran_entry t = des[v].next[top.next++];
        state_t x = t.target();
        if (!member(x) || !keep(v, t)) continue;
        if (!order[x]) {
          order[x] = low[x] = ++counter;
          ok = members.push(x) && frames.push(frame{x, 0});
        } else if (component[x] < 0 && order[x] < low[v]) {
          low[v] = order[x];
        }
        continue;
      }
      frames.len--;
      if (frames.len > 0) {
        state_t parent = frames.items[frames.len - 1].state;
        if (low[v] < low[parent]) low[parent] = low[v];
      }
      if (low[v] != order[v]) continue;
      state_t m;
      do {
        m = members.items[--members.len];
        component[m] = components;
      } while (m != v);
      components++;
    }
  }
  free(order);
  free(low);
  frames.release();
  members.release();
  if (!ok) {
    mem_result = 1;
    return -1;
  }
  return components;
}

#endif
