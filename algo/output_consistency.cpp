// Vocalization of transitions' entrance states and output-control-consistency coding.
#include "algo/output_consistency.h"

#include <cstdlib>
#include <cstring>

#include "algo/des_proc.h"
#include "algo/grow_buf.h"
#include "algo/minimize.h"
#include "model/mymalloc.h"

namespace {

const uint16_t AMBER = 2;  // colour of a state entered by segments of both colours

// Adds (e -> t) to a state's sorted array. False (mem_result set) when the array cannot grow or
// already holds the 65535 transitions its count can express.
bool add_tran(state_node *node, event_t e, state_t t, int *added) {
  *added = 0;
  if (node->numelts == UINT16_MAX) {
    mem_result = 1;
    return false;
  }
  addordlist1(e, t, &node->next, node->numelts, added);
  if (*added) node->numelts++;
  return *added || !mem_result;
}

bool del_tran(state_node *node, event_t e, state_t t) {
  int removed;
  delete_ordlist1(e, t, &node->next, node->numelts, &removed);
  if (removed) node->numelts--;
  return removed != 0;
}

bool has_tran(const state_node &node, event_t e, state_t t) {
  tran_entry key = make_tran(e, t);
  for (int j = 0; j < node.numelts; j++)
    if (tran_equal(node.next[j], key)) return true;
  return false;
}

// ---- Vocalize ----

bool quad_has_entrance(const quad &r, state_t i) {
  return r.c == i;
}

// Appends `extra` states without transitions (the copies of the vocalized states).
bool expand_des_vocal(state_t *n, state_node **des, state_t extra) {
  state_node *before = *des;
  resize_des(des, *n, *n + extra);
  if (*des == before && extra > 0 && mem_result) return false;
  *n += extra;
  return true;
}

// ---- Outconsis working state ----

// Incoming transitions of a state as words (source << 10 | event), sorted: the order of a scan
// of the states in increasing order and of each state's transitions in stored order.
typedef grow_buf<uint32_t> in_list;

uint32_t in_word(state_t source, event_t e) {
  return (static_cast<uint32_t>(source) << 10) | e;
}
state_t in_source(uint32_t w) {
  return static_cast<state_t>(w >> 10);
}
event_t in_event(uint32_t w) {
  return static_cast<event_t>(w & 0x3FFu);
}

struct outcon_work {
  state_t *n;
  state_node **des;
  grow_buf<uint16_t> color_state;  // 0, 1 or AMBER per state
  grow_buf<int> split_state;       // 1 for a split state and for a sibling
  grow_buf<state_t> sibling_list;  // the other half of a split state
  grow_buf<uint8_t> entered;       // 1 once a pass has coloured the state
  grow_buf<uint8_t> arriving;      // bit c: colour c arrives from a reachable source (this pass)
  grow_buf<in_list> incoming;      // kept up to date with every transition edit
  int stable;
};

void release(outcon_work *w) {
  w->color_state.release();
  w->split_state.release();
  w->sibling_list.release();
  w->entered.release();
  w->arriving.release();
  for (size_t k = 0; k < w->incoming.len; k++) w->incoming.items[k].release();
  w->incoming.release();
}

bool grow_arrays(outcon_work *w) {
  return w->color_state.push(0) && w->split_state.push(0) && w->sibling_list.push(-1) &&
         w->entered.push(0) && w->arriving.push(0) && w->incoming.push(in_list());
}

bool in_insert(in_list *list, uint32_t word) {
  size_t at = 0;
  while (at < list->len && list->items[at] < word) at++;
  if (at < list->len && list->items[at] == word) return true;
  if (!list->push(word)) return false;
  memmove(list->items + at + 1, list->items + at, (list->len - 1 - at) * sizeof(uint32_t));
  list->items[at] = word;
  return true;
}

void in_erase(in_list *list, uint32_t word) {
  for (size_t at = 0; at < list->len; at++) {
    if (list->items[at] != word) continue;
    memmove(list->items + at, list->items + at + 1, (list->len - 1 - at) * sizeof(uint32_t));
    list->len--;
    return;
  }
}

bool add_edge(outcon_work *w, state_t x, event_t e, state_t t) {
  int added;
  if (!add_tran(&(*w->des)[x], e, t, &added)) return false;
  return !added || in_insert(&w->incoming.items[t], in_word(x, e));
}

bool redirect(outcon_work *w, state_t x, event_t e, state_t from, state_t to) {
  if (del_tran(&(*w->des)[x], e, from)) in_erase(&w->incoming.items[from], in_word(x, e));
  return add_edge(w, x, e, to);
}

// Appends a state without flags or transitions to the DES and to every working array.
bool append_state(outcon_work *w) {
  state_node *before = *w->des;
  resize_des(w->des, *w->n, *w->n + 1);
  if (*w->des == before && mem_result) return false;
  if (!grow_arrays(w)) return false;
  (*w->n)++;
  return true;
}

// Stores colour c of state k; a vocal k gets 10b for colour 0 and 10b + 1 for colour 1.
void setcolor(outcon_work *w, state_t k, uint16_t c) {
  w->color_state.items[k] = c;
  state_node &node = (*w->des)[k];
  if (node.vocal == 0 || c == AMBER) return;
  set_output(&node, 10u * base_output(node.vocal) + c);
}

// Colour a transition from x on e carries to its target: 1 for a controllable event, 0 from a
// vocal state, else the colour of the silent source.
uint16_t outcolor(const outcon_work *w, state_t x, event_t e) {
  if (e & 1) return 1;
  if ((*w->des)[x].vocal != 0) return 0;
  return w->color_state.items[x];
}

// The same as a set of colours (bit c for colour c) for the colouring pass: a silent source that
// is not split passes on everything that arrives at it.
uint8_t outmask(const outcon_work *w, state_t x, event_t e) {
  if (e & 1) return 2;
  if ((*w->des)[x].vocal != 0) return 1;
  if (w->split_state.items[x]) return static_cast<uint8_t>(1u << w->color_state.items[x]);
  return w->arriving.items[x];
}

// Colour of a state from the colours arriving at it: 0 when none arrives, the common colour,
// or AMBER when both arrive.
uint16_t newcolor(uint8_t arriving) {
  if (arriving == 3) return AMBER;
  return arriving == 2 ? 1 : 0;
}

// Copies state 0 (flags, output, transitions) to an appended state and moves every transition
// into state 0 to the copy, the copy's own included, so that state 0 is entered by nothing and
// its segments start there alone. Nothing is done when state 0 has no incoming transition.
bool move_init_state(outcon_work *w) {
  if (w->incoming.items[0].len == 0) return true;
  if (!append_state(w)) return false;
  state_t copy = *w->n - 1;
  state_node &init = (*w->des)[0];
  (*w->des)[copy].marked = init.marked;
  (*w->des)[copy].vocal = init.vocal;
  for (int j = 0; j < (*w->des)[0].numelts; j++) {
    tran_entry t = (*w->des)[0].next[j];
    if (!add_edge(w, copy, t.event(), t.target())) return false;
  }
  in_list into0 = w->incoming.items[0];
  w->incoming.items[0] = in_list();
  bool ok = true;
  for (size_t j = 0; ok && j < into0.len; j++) {
    state_t x = in_source(into0.items[j]);
    event_t e = in_event(into0.items[j]);
    del_tran(&(*w->des)[x], e, 0);
    ok = add_edge(w, x, e, copy);
  }
  into0.release();
  return ok;
}

// Departure from the classic procedure: colours only move forward, so the recolouring always ends.
// One colouring pass: arriving colour sets by a forward fixed point from state 0 over the
// reachable states, then the state colours. Clears `stable` when a colour changes or a split
// half is reached by the other half's colour. Time: O(V + E).
bool recolor_states(outcon_work *w) {
  state_t n = *w->n;
  const state_node *des = *w->des;
  memset(w->arriving.items, 0, static_cast<size_t>(n));
  grow_buf<state_t> todo;
  w->arriving.items[0] = 1;
  if (!todo.push(0)) return false;
  while (todo.len > 0) {
    state_t x = todo.items[--todo.len];
    for (int j = 0; j < des[x].numelts; j++) {
      tran_entry t = des[x].next[j];
      uint8_t carried = outmask(w, x, t.event());
      uint8_t &at = w->arriving.items[t.target()];
      if ((at | carried) == at) continue;
      at = static_cast<uint8_t>(at | carried);
      if (!todo.push(t.target())) {
        todo.release();
        return false;
      }
    }
  }
  todo.release();
  for (state_t k = 0; k < n; k++) {
    uint8_t arrives = w->arriving.items[k];
    if (arrives == 0) continue;
    uint16_t own = w->color_state.items[k];
    if (w->split_state.items[k]) {
      if (arrives & ~(1u << own)) w->stable = 0;
      continue;
    }
    uint16_t c = newcolor(arrives);
    if (w->entered.items[k] && c != own) c = AMBER;
    w->entered.items[k] = 1;
    if (c == own) continue;
    w->stable = 0;
    setcolor(w, k, c);
  }
  return true;
}

// Appends the sibling S of state k: k's marker flag, no output, no transitions; k becomes the
// colour-0 half and S the colour-1 half, both split for good.
state_t make_sibling(outcon_work *w, state_t k) {
  if (!append_state(w)) return -1;
  state_t s = *w->n - 1;
  (*w->des)[s].marked = (*w->des)[k].marked;
  w->sibling_list.items[k] = s;
  w->sibling_list.items[s] = k;
  setcolor(w, k, 0);
  w->split_state.items[k] = 1;
  setcolor(w, s, 1);
  w->split_state.items[s] = 1;
  w->entered.items[s] = 1;
  return s;
}

void make_new_outputs(outcon_work *w, state_t k, state_t s) {
  state_node &node = (*w->des)[k];
  if (node.vocal != 0) set_output(&(*w->des)[s], node.vocal + 1u);
}

// Moves k's colour-1 incoming transitions to S and copies k's transitions to S. A self-loop of k
// goes to the half of the colour it carries from S: S itself on a controllable event or when S is
// silent, else k.
bool make_new_trans(outcon_work *w, state_t k, state_t s) {
  in_list into;
  tran_entry *out = nullptr;
  int nout = (*w->des)[k].numelts;
  bool ok = into.reserve(w->incoming.items[k].len + 1);
  if (ok && nout > 0) {
    out = MALLOC_N<tran_entry>(static_cast<size_t>(nout));
    ok = out != nullptr;
  }
  if (ok) {
    if (nout > 0) memcpy(out, (*w->des)[k].next, static_cast<size_t>(nout) * sizeof(tran_entry));
    into.len = w->incoming.items[k].len;
    if (into.len > 0) memcpy(into.items, w->incoming.items[k].items, into.len * sizeof(uint32_t));
  }
  for (size_t j = 0; ok && j < into.len; j++) {
    state_t x = in_source(into.items[j]);
    event_t e = in_event(into.items[j]);
    if (outcolor(w, x, e) == 1) ok = redirect(w, x, e, k, s);
  }
  for (int j = 0; ok && j < nout; j++) {
    state_t t = out[j].target();
    if (t == k && outcolor(w, s, out[j].event()) == 1) t = s;
    ok = add_edge(w, s, out[j].event(), t);
  }
  free(out);
  into.release();
  return ok;
}

bool split_amber_states(outcon_work *w, state_t k) {
  state_t s = make_sibling(w, k);
  if (s < 0) return false;
  make_new_outputs(w, k, s);
  return make_new_trans(w, k, s);
}

// Moves every transition into the split state k that carries the colour of k's other half to
// that half.
bool switch_oldtrans(outcon_work *w, state_t k) {
  state_t other = w->sibling_list.items[k];
  uint16_t other_color = w->color_state.items[other];
  in_list into;
  bool ok = into.reserve(w->incoming.items[k].len + 1);
  if (ok) {
    into.len = w->incoming.items[k].len;
    if (into.len > 0) memcpy(into.items, w->incoming.items[k].items, into.len * sizeof(uint32_t));
  }
  for (size_t j = 0; ok && j < into.len; j++) {
    state_t x = in_source(into.items[j]);
    event_t e = in_event(into.items[j]);
    if (outcolor(w, x, e) == other_color) ok = redirect(w, x, e, k, other);
  }
  into.release();
  return ok;
}

// Repairs the states 0 .. n-1 of the pass (states appended meanwhile wait for the next pass):
// amber states are split, split halves reached by the other colour hand those transitions over.
bool fix_amber_states(outcon_work *w) {
  state_t n = *w->n;
  for (state_t k = 0; k < n; k++) {
    if (w->split_state.items[k]) {
      uint16_t own = w->color_state.items[k];
      if ((w->arriving.items[k] & ~(1u << own)) && !switch_oldtrans(w, k)) return false;
    } else if (w->color_state.items[k] == AMBER) {
      if (!split_amber_states(w, k)) return false;
    }
  }
  return true;
}

bool build_incoming(outcon_work *w) {
  const state_node *des = *w->des;
  for (state_t x = 0; x < *w->n; x++)
    for (int j = 0; j < des[x].numelts; j++)
      if (!w->incoming.items[des[x].next[j].target()].push(in_word(x, des[x].next[j].event())))
        return false;
  return true;
}

}  // namespace

void vocalize_des(state_t *n, state_node **des, quad **requests, state_t *count) {
  state_t q = *n;
  // Keep the requests that name an existing transition and a user output.
  state_t kept = 0;
  for (state_t r = 0; r < *count; r++) {
    const quad &rq = (*requests)[r];
    if (rq.a < 0 || rq.a >= q || rq.c < 0 || rq.c >= q || rq.d < 10 || rq.d > 99) continue;
    if (!has_tran((*des)[rq.a], rq.b, rq.c)) continue;
    (*requests)[kept++] = rq;
  }
  *count = kept;
  // Distinct (entrance state, output) pairs give the copies.
  state_t copies = 0;
  for (state_t r = 0; r < kept; r++) {
    bool seen = false;
    for (state_t o = 0; o < r && !seen; o++)
      seen = (*requests)[o].c == (*requests)[r].c && (*requests)[o].d == (*requests)[r].d;
    if (!seen) copies++;
  }
  if (copies > 0 && !expand_des_vocal(n, des, copies)) return;
  state_t base = q;
  quad *entering = nullptr;  // L_i: the requests whose entrance state is i
  for (state_t i = 0; i < q && !mem_result; i++) {
    state_t nl = 0;
    int added;
    for (state_t r = 0; r < *count; r++) {
      const quad &rq = (*requests)[r];
      if (!quad_has_entrance(rq, i)) continue;
      add_quad(rq.a, rq.b, rq.c, rq.d, &entering, nl, &added);
      nl += added;
    }
    if (nl == 0) continue;
    int16_t outputs[90];
    int m = 0;
    for (state_t r = 0; r < nl; r++) {
      int at = 0;
      while (at < m && outputs[at] < entering[r].d) at++;
      if (at < m && outputs[at] == entering[r].d) continue;
      memmove(outputs + at + 1, outputs + at, static_cast<size_t>(m - at) * sizeof(int16_t));
      outputs[at] = entering[r].d;
      m++;
    }
    for (int p = 0; p < m && base + p < *n; p++) {
      state_t s = base + p;
      (*des)[s].marked = (*des)[i].marked;
      set_output(&(*des)[s], static_cast<unsigned>(outputs[p]));
      for (int j = 0; j < (*des)[i].numelts; j++) {
        tran_entry t = (*des)[i].next[j];
        int16_t w;
        if (inlist_quad(*requests, *count, i, t.event(), t.target(), &w)) {
          add_quad(s, t.event(), t.target(), w, requests, *count, &added);
          *count += added;
          if (t.target() == i) {
            add_quad(s, t.event(), i, w, &entering, nl, &added);
            nl += added;
          }
        }
        if (!add_tran(&(*des)[s], t.event(), t.target(), &added)) break;
      }
    }
    for (int p = 0; p < m && base + p < *n; p++) {
      for (state_t r = 0; r < nl; r++) {
        const quad &rq = entering[r];
        if (rq.d != outputs[p]) continue;
        if (!del_tran(&(*des)[rq.a], rq.b, i)) continue;
        if (!add_tran(&(*des)[rq.a], rq.b, base + p, &added)) break;
      }
    }
    base += m;
    free(entering);
    entering = nullptr;
  }
  free(entering);
  if (!mem_result) reach(n, des);
}

void outcon_des(state_t *n, state_node **des) {
  outcon_work w{};
  w.n = n;
  w.des = des;
  bool ok = true;
  for (state_t k = 0; ok && k < *n; k++) ok = grow_arrays(&w);
  if (!ok) {
    release(&w);
    mem_result = 1;
    return;
  }
  for (state_t k = 0; k < *n; k++) setcolor(&w, k, 0);
  if (*n > 0) ok = build_incoming(&w) && move_init_state(&w);
  while (ok && *n > 0) {
    w.stable = 1;
    ok = recolor_states(&w);
    if (!ok || w.stable) break;
    ok = fix_amber_states(&w);
  }
  release(&w);
  if (!ok) {
    mem_result = 1;
    return;
  }
  reach(n, des);
  if (!mem_result) minimize2(n, des);
}
