// Explanations of Supcon, Nonconflict, Condat, language comparison and Trim: the states or strings
// concerned, classified by cause, each with a shortest string from the initial state.
#include "algo/explain.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <string>
#include <unordered_map>

#include "algo/des_proc.h"
#include "algo/product.h"
#include "model/mymalloc.h"

namespace {

const signed char NO_CAUSE = -1;

// Breadth-first search tree from state 0: parent and event of each reached state, and the states
// in visit order. Successors are visited in ascending event order.
struct search_tree {
  std::vector<state_t> parent;  // -1: not reached; state 0 is its own parent
  std::vector<event_t> via;
  std::vector<state_t> order;
};

// Builds the tree over the states with alive[s] (every state when alive is null).
void shortest_tree(state_t n, const state_node *des, const char *alive, search_tree *tree) {
  tree->parent.assign(static_cast<size_t>(n), -1);
  tree->via.assign(static_cast<size_t>(n), 0);
  tree->order.clear();
  if (n <= 0 || (alive != nullptr && !alive[0])) return;
  tree->order.reserve(static_cast<size_t>(n));
  tree->parent[0] = 0;
  tree->order.push_back(0);
  for (size_t head = 0; head < tree->order.size(); ++head) {
    state_t s = tree->order[head];
    for (int j = 0; j < des[s].numelts; ++j) {
      state_t t = des[s].next[j].target();
      if (tree->parent[static_cast<size_t>(t)] >= 0 || (alive != nullptr && !alive[t])) continue;
      tree->parent[static_cast<size_t>(t)] = s;
      tree->via[static_cast<size_t>(t)] = des[s].next[j].event();
      tree->order.push_back(t);
    }
  }
}

std::vector<event_t> string_to(const search_tree &tree, state_t s) {
  std::vector<event_t> string;
  while (s != 0 && tree.parent[static_cast<size_t>(s)] >= 0) {
    string.push_back(tree.via[static_cast<size_t>(s)]);
    s = tree.parent[static_cast<size_t>(s)];
  }
  std::reverse(string.begin(), string.end());
  return string;
}

// Marks in seen[] the states with alive[s] (all when null) that reach a marker state with
// alive[s] through such states. Time: O(V + E).
void coreachable(state_t n, const state_node *des, const reverse_rows &rows, const char *alive,
                 std::vector<char> *seen) {
  seen->assign(static_cast<size_t>(n), 0);
  std::vector<state_t> stack;
  for (state_t s = 0; s < n; ++s)
    if ((alive == nullptr || alive[s]) && des[s].marked)
      (*seen)[static_cast<size_t>(s)] = 1, stack.push_back(s);
  while (!stack.empty()) {
    state_t t = stack.back();
    stack.pop_back();
    for (uint32_t i = rows.first[t]; i < rows.first[t + 1]; ++i) {
      state_t s = static_cast<state_t>(rows.from[i] >> 1);
      if ((alive == nullptr || alive[s]) && !(*seen)[static_cast<size_t>(s)])
        (*seen)[static_cast<size_t>(s)] = 1, stack.push_back(s);
    }
  }
}

// The smallest uncontrollable event the plant state allows and the joint state lacks, or -1.
int refused_uncontrollable(const state_node &plant, const state_node &joint) {
  int found = -1;
  merge_walk(
      plant.next, plant.numelts, joint.next, joint.numelts,
      [](tran_entry, tran_entry) { return true; },
      [&found](tran_entry a) {
        if (a.event() % 2 != 0) return true;
        found = a.event();
        return false;
      },
      [](tran_entry) { return true; });
  return found;
}

// A product of two DES with its pair codes, released on destruction.
struct product {
  state_t n = 0;
  state_node *des = nullptr;
  pair_code_t *codes = nullptr;
  reverse_rows rows = {nullptr, nullptr};
  ~product() {
    freedes(n, &des);
    free(codes);
    free_reverse_rows(&rows);
  }
};

// The meet of the inputs with its reverse rows (when `rows`); false on allocation failure.
bool build_meet(state_t N1, state_node *G1, state_t N2, state_node *G2, bool rows, product *p) {
  if (N1 <= 0 || N2 <= 0) return true;
  meet2(N1, G1, N2, G2, &p->n, &p->des, nullptr, &p->codes);
  if (mem_result) return false;
  return !rows || build_reverse_rows(p->n, p->des, &p->rows);
}

// The item of state s: its shortest string (when the tree reaches it) and, in a product, its pair.
explain_item state_item(explain_cause cause, state_t s, const search_tree &tree, const product *p,
                        state_t n1) {
  explain_item item;
  item.cause = cause;
  item.state = s;
  if (tree.parent[static_cast<size_t>(s)] >= 0) item.string = string_to(tree, s);
  if (p != nullptr) {
    item.first = pair_first(p->codes[s], n1);
    item.second = pair_second(p->codes[s], n1);
  }
  return item;
}

// Counts a state of `cause`; true when its item is still to be listed (the first EXPLAIN_SHOWN
// of a cause are, so items of a cause come in the order the states are counted).
bool counted(explanation *out, explain_cause cause) {
  return out->count[cause]++ < EXPLAIN_SHOWN;
}

// Items in cause order (stable within a cause).
void sort_items(explanation *out) {
  std::stable_sort(out->items.begin(), out->items.end(),
                   [](const explain_item &a, const explain_item &b) { return a.cause < b.cause; });
}

// The Supcon fixed point with the cause of each removal.
struct removal {
  std::vector<signed char> cause;  // NO_CAUSE while alive
  std::vector<char> alive;
  std::vector<int> event;       // uncontrollable: the refused event; leads-to: the event taken
  std::vector<state_t> target;  // leads-to: the removed state it leads to
  std::vector<state_t> stack;
  void kill(state_t s, explain_cause why, int e, state_t t) {
    size_t i = static_cast<size_t>(s);
    alive[i] = 0;
    cause[i] = static_cast<signed char>(why);
    event[i] = e;
    target[i] = t;
    stack.push_back(s);
  }
};

// The uncontrollable event of joint state s that leads to t.
int uncontrollable_event_to(const state_node &joint, state_t t) {
  for (int j = 0; j < joint.numelts; ++j)
    if (joint.next[j].target() == t && joint.next[j].event() % 2 == 0) return joint.next[j].event();
  return -1;
}

void shave_with_causes(state_t NG, const state_node *G, const product &m, removal *r) {
  size_t n = static_cast<size_t>(m.n);
  r->cause.assign(n, NO_CAUSE);
  r->alive.assign(n, 1);
  r->event.assign(n, -1);
  r->target.assign(n, -1);
  for (state_t s = 0; s < m.n; ++s) {
    int e = refused_uncontrollable(G[pair_first(m.codes[s], NG)], m.des[s]);
    if (e >= 0) r->kill(s, CAUSE_UNCONTROLLABLE, e, -1);
  }
  std::vector<char> seen;
  for (;;) {
    while (!r->stack.empty()) {
      state_t t = r->stack.back();
      r->stack.pop_back();
      for (uint32_t i = m.rows.first[t]; i < m.rows.first[t + 1]; ++i) {
        state_t s = static_cast<state_t>(m.rows.from[i] >> 1);
        if ((m.rows.from[i] & 1u) && r->alive[static_cast<size_t>(s)])
          r->kill(s, CAUSE_LEADS_TO_REMOVED, uncontrollable_event_to(m.des[s], t), t);
      }
    }
    coreachable(m.n, m.des, m.rows, r->alive.data(), &seen);
    for (state_t s = 0; s < m.n; ++s)
      if (r->alive[static_cast<size_t>(s)] && !seen[static_cast<size_t>(s)])
        r->kill(s, CAUSE_BLOCKING, -1, -1);
    if (r->stack.empty()) break;
  }
}

// Follows the leads-to links of s to a state removed for a cause of its own.
void fill_chain(const removal &r, explain_item *item) {
  state_t s = item->state;
  if (r.cause[static_cast<size_t>(s)] == CAUSE_UNCONTROLLABLE)
    item->event = r.event[static_cast<size_t>(s)];
  if (r.cause[static_cast<size_t>(s)] != CAUSE_LEADS_TO_REMOVED) return;
  while (r.cause[static_cast<size_t>(s)] == CAUSE_LEADS_TO_REMOVED) {
    item->chain.push_back(static_cast<event_t>(r.event[static_cast<size_t>(s)]));
    s = r.target[static_cast<size_t>(s)];
  }
  item->chain_end = s;
  item->chain_cause = static_cast<explain_cause>(r.cause[static_cast<size_t>(s)]);
  item->chain_event =
      item->chain_cause == CAUSE_UNCONTROLLABLE ? r.event[static_cast<size_t>(s)] : -1;
}

// Sets mem_result for an allocation failure met as an exception of the standard containers.
int out_of_memory() {
  mem_result = 1;
  return EXPLAIN_OK;
}

}  // namespace

const char *explain_cause_word(explain_cause cause) {
  static const char *const words[] = {"uncontrollable", "blocking",       "leads-to-removed",
                                      "unreachable",    "closed-a-not-b", "closed-b-not-a",
                                      "marked-a-not-b", "marked-b-not-a"};
  static_assert(sizeof words / sizeof words[0] == CAUSE_COUNT);
  return words[cause];
}

int explain_supcon(state_t NG, state_node *G, state_t NE, state_node *E, explanation *out) try {
  *out = explanation{};
  product m;
  if (!build_meet(NG, G, NE, E, true, &m) || m.n == 0) return EXPLAIN_OK;
  out->states = m.n;
  removal r;
  shave_with_causes(NG, G, m, &r);
  search_tree live;
  shortest_tree(m.n, m.des, r.alive.data(), &live);
  out->survivors = static_cast<state_t>(live.order.size());
  for (state_t s = 0; s < m.n; ++s)
    if (r.alive[static_cast<size_t>(s)] && live.parent[static_cast<size_t>(s)] < 0)
      r.cause[static_cast<size_t>(s)] = CAUSE_UNREACHABLE;
  search_tree tree;
  shortest_tree(m.n, m.des, nullptr, &tree);
  for (state_t s : tree.order) {
    signed char c = r.cause[static_cast<size_t>(s)];
    if (c == NO_CAUSE) continue;
    bool listed = counted(out, static_cast<explain_cause>(c));
    if (!listed && s != 0) continue;
    explain_item item = state_item(static_cast<explain_cause>(c), s, tree, &m, NG);
    fill_chain(r, &item);
    if (s == 0) {
      out->has_initial = true;
      out->initial = item;
    }
    if (listed) out->items.push_back(std::move(item));
  }
  sort_items(out);
  return EXPLAIN_OK;
} catch (const std::bad_alloc &) {
  return out_of_memory();
}

int explain_nonconflict(state_t NA, state_node *A, state_t NB, state_node *B,
                        explanation *out) try {
  *out = explanation{};
  product m;
  if (!build_meet(NA, A, NB, B, true, &m) || m.n == 0) return EXPLAIN_OK;
  out->states = m.n;
  std::vector<char> seen;
  coreachable(m.n, m.des, m.rows, nullptr, &seen);
  search_tree tree;
  shortest_tree(m.n, m.des, nullptr, &tree);
  for (state_t s : tree.order)
    if (!seen[static_cast<size_t>(s)] && counted(out, CAUSE_BLOCKING))
      out->items.push_back(state_item(CAUSE_BLOCKING, s, tree, &m, NA));
  out->survivors = m.n - static_cast<state_t>(out->count[CAUSE_BLOCKING]);
  return EXPLAIN_OK;
} catch (const std::bad_alloc &) {
  return out_of_memory();
}

int explain_condat(state_t NG, state_node *G, state_t NS, state_node *S, explanation *out) try {
  *out = explanation{};
  product m;
  if (!build_meet(NG, G, NS, S, false, &m) || m.n == 0) return EXPLAIN_OK;
  out->states = m.n;
  search_tree tree;
  shortest_tree(m.n, m.des, nullptr, &tree);
  for (state_t s : tree.order) {
    int e = refused_uncontrollable(G[pair_first(m.codes[s], NG)], m.des[s]);
    if (e < 0 || !counted(out, CAUSE_UNCONTROLLABLE)) continue;
    out->items.push_back(state_item(CAUSE_UNCONTROLLABLE, s, tree, &m, NG));
    out->items.back().event = e;
  }
  return EXPLAIN_OK;
} catch (const std::bad_alloc &) {
  return out_of_memory();
}

namespace {

// Subsets of one DES's states, each held once and numbered in order of first use; subset 0 is
// the empty one.
struct subset_store {
  std::vector<std::vector<state_t>> sets;
  std::vector<char> marked;  // holds a marker state
  std::unordered_map<std::string, int> index;

  int intern(const std::vector<state_t> &set, const state_node *des) {
    std::string key(reinterpret_cast<const char *>(set.data()), set.size() * sizeof(state_t));
    auto found = index.find(key);
    if (found != index.end()) return found->second;
    int id = static_cast<int>(sets.size());
    index.emplace(std::move(key), id);
    sets.push_back(set);
    bool m = false;
    for (state_t s : set) m |= des[s].marked != 0;
    marked.push_back(m);
    return id;
  }
};

// The events leaving any state of the set, ascending, appended to *events.
void add_set_events(const std::vector<state_t> &set, const state_node *des,
                    std::vector<event_t> *events) {
  for (state_t s : set)
    for (int j = 0; j < des[s].numelts; ++j) events->push_back(des[s].next[j].event());
}

// The states the set reaches on event e, ascending and distinct.
std::vector<state_t> step(const std::vector<state_t> &set, const state_node *des, event_t e) {
  std::vector<state_t> next;
  for (state_t s : set)
    for (int j = 0; j < des[s].numelts; ++j)
      if (des[s].next[j].event() == e) next.push_back(des[s].next[j].target());
  std::sort(next.begin(), next.end());
  next.erase(std::unique(next.begin(), next.end()), next.end());
  return next;
}

}  // namespace

int explain_compare(state_t NA, state_node *A, state_t NB, state_node *B, explanation *out) try {
  *out = explanation{};
  subset_store sa, sb;
  sa.intern({}, A);
  sb.intern({}, B);
  struct pair_state {
    int a, b;
    size_t parent;
    event_t via;
  };
  std::vector<pair_state> pairs;
  std::unordered_map<uint64_t, size_t> seen;
  auto key = [](int a, int b) {
    return (static_cast<uint64_t>(a) << 32) | static_cast<uint32_t>(b);
  };
  int a0 = NA > 0 ? sa.intern({0}, A) : 0, b0 = NB > 0 ? sb.intern({0}, B) : 0;
  if (a0 != 0 || b0 != 0) {
    pairs.push_back({a0, b0, 0, 0});
    seen.emplace(key(a0, b0), 0);
  }
  // Witness pair of each cause (breadth-first index), SIZE_MAX when none.
  const size_t none = SIZE_MAX;
  size_t found[CAUSE_COUNT];
  std::fill(found, found + CAUSE_COUNT, none);
  int open_causes = 4;
  for (size_t head = 0; head < pairs.size() && open_causes > 0; ++head) {
    pair_state p = pairs[head];
    bool in_a = p.a != 0, in_b = p.b != 0;
    bool m_a = sa.marked[static_cast<size_t>(p.a)] != 0,
         m_b = sb.marked[static_cast<size_t>(p.b)] != 0;
    const bool hits[] = {in_a && !in_b, in_b && !in_a, m_a && !m_b, m_b && !m_a};
    for (int i = 0; i < 4; ++i) {
      size_t &f = found[CAUSE_CLOSED_A_NOT_B + i];
      if (hits[i] && f == none) f = head, --open_causes;
    }
    std::vector<event_t> events;
    add_set_events(sa.sets[static_cast<size_t>(p.a)], A, &events);
    add_set_events(sb.sets[static_cast<size_t>(p.b)], B, &events);
    std::sort(events.begin(), events.end());
    events.erase(std::unique(events.begin(), events.end()), events.end());
    for (event_t e : events) {
      int na = sa.intern(step(sa.sets[static_cast<size_t>(p.a)], A, e), A);
      int nb = sb.intern(step(sb.sets[static_cast<size_t>(p.b)], B, e), B);
      if (!seen.emplace(key(na, nb), pairs.size()).second) continue;
      if (pairs.size() >= static_cast<size_t>(MAX_STATES)) return EXPLAIN_TOO_LARGE;
      pairs.push_back({na, nb, head, e});
    }
  }
  out->states = static_cast<state_t>(pairs.size());
  auto witness = [&pairs](size_t at) {
    std::vector<event_t> string;
    for (; at != 0; at = pairs[at].parent) string.push_back(pairs[at].via);
    std::reverse(string.begin(), string.end());
    return string;
  };
  for (int c = CAUSE_CLOSED_A_NOT_B; c <= CAUSE_MARKED_B_NOT_A; ++c) {
    if (found[c] == none) continue;
    out->count[c] = 1;
    explain_item item;
    item.cause = static_cast<explain_cause>(c);
    item.string = witness(found[c]);
    out->items.push_back(item);
  }
  // Verdict v is false when any of its directions has a witness; its own witness is the earliest.
  const int directions[VERDICT_COUNT][2] = {
      {CAUSE_CLOSED_A_NOT_B, CAUSE_CLOSED_B_NOT_A}, {CAUSE_MARKED_A_NOT_B, CAUSE_MARKED_B_NOT_A},
      {CAUSE_CLOSED_A_NOT_B, CAUSE_CLOSED_A_NOT_B}, {CAUSE_MARKED_A_NOT_B, CAUSE_MARKED_A_NOT_B},
      {CAUSE_CLOSED_B_NOT_A, CAUSE_CLOSED_B_NOT_A}, {CAUSE_MARKED_B_NOT_A, CAUSE_MARKED_B_NOT_A}};
  for (int v = 0; v < VERDICT_COUNT; ++v) {
    size_t first = std::min(found[directions[v][0]], found[directions[v][1]]);
    out->verdict[v] = first == none;
    if (first != none) out->witness[v] = witness(first);
  }
  return EXPLAIN_OK;
} catch (const std::bad_alloc &) {
  return out_of_memory();
}

int explain_trim(state_t n, state_node *des, explanation *out) try {
  *out = explanation{};
  if (n <= 0) return EXPLAIN_OK;
  out->states = n;
  reverse_rows rows = {nullptr, nullptr};
  if (!build_reverse_rows(n, des, &rows)) return EXPLAIN_OK;
  std::vector<char> seen;
  try {
    coreachable(n, des, rows, nullptr, &seen);
  } catch (...) {
    free_reverse_rows(&rows);
    throw;
  }
  free_reverse_rows(&rows);
  search_tree tree;
  shortest_tree(n, des, nullptr, &tree);
  for (state_t s = 0; s < n; ++s)
    if (tree.parent[static_cast<size_t>(s)] < 0 && counted(out, CAUSE_UNREACHABLE))
      out->items.push_back(state_item(CAUSE_UNREACHABLE, s, tree, nullptr, 0));
  for (state_t s : tree.order)
    if (!seen[static_cast<size_t>(s)] && counted(out, CAUSE_BLOCKING))
      out->items.push_back(state_item(CAUSE_BLOCKING, s, tree, nullptr, 0));
  out->survivors =
      n - static_cast<state_t>(out->count[CAUSE_UNREACHABLE] + out->count[CAUSE_BLOCKING]);
  sort_items(out);
  return EXPLAIN_OK;
} catch (const std::bad_alloc &) {
  return out_of_memory();
}
