// Test support: brute-force checks for the procedures on vocal DES.
#include "support/hier_ref.h"

#include <algorithm>
#include <set>

namespace {

int base_of(int w) {
  return w <= 99 ? w : w / 10;
}

}  // namespace

std::string occ_violation(const state_node *des, state_t n) {
  if (n <= 0) return "";
  std::set<std::pair<state_t, int>> seen = {{0, 0}};
  std::vector<std::pair<state_t, int>> todo = {{0, 0}};
  while (!todo.empty()) {
    auto [x, c] = todo.back();
    todo.pop_back();
    for (int j = 0; j < des[x].numelts; j++) {
      tran_entry t = des[x].next[j];
      int carried = (t.event() & 1) ? 1 : des[x].vocal ? 0 : c;
      state_t v = t.target();
      int w = des[v].vocal;
      if (w != 0 && (w < 100 || w % 10 != carried))
        return "state " + std::to_string(v) + " output " + std::to_string(w) +
               " entered by colour " + std::to_string(carried);
      if (seen.insert({v, carried}).second) todo.push_back({v, carried});
    }
  }
  return "";
}

std::string walk_difference(const ref_des &a, const ref_des &b, output_check check) {
  if (a.size() == 0 || b.size() == 0) return a.size() == b.size() ? "" : "one of the DES is empty";
  std::set<std::pair<state_t, state_t>> seen = {{0, 0}};
  std::vector<std::pair<state_t, state_t>> todo = {{0, 0}};
  while (!todo.empty()) {
    auto [x, y] = todo.back();
    todo.pop_back();
    std::string at = " at (" + std::to_string(x) + "," + std::to_string(y) + ")";
    if (a.marked[x] != b.marked[y]) return "marking differs" + at;
    bool compare = check == SAME_BASE || (check == SAME_BASE_WHERE_FIRST_VOCAL && a.vocal[x] != 0);
    if (compare && base_of(a.vocal[x]) != base_of(b.vocal[y])) return "output differs" + at;
    if (a.out[x].size() != b.out[y].size()) return "transition count differs" + at;
    for (size_t j = 0; j < a.out[x].size(); j++) {
      if (a.out[x][j].first != b.out[y][j].first) return "events differ" + at;
      std::pair<state_t, state_t> next = {a.out[x][j].second, b.out[y][j].second};
      if (seen.insert(next).second) todo.push_back(next);
    }
  }
  return "";
}

ref_des ref_entrance_labelled(const ref_des &g) {
  ref_des h = g;
  for (state_t i = 0; i < g.size(); i++) {
    h.vocal[i] = 0;
    for (auto &t : h.out[i]) t.first = static_cast<event_t>(g.vocal[t.second]);
    sort_unique(&h.out[i]);
  }
  for (state_t k = 1; k < g.size(); k++) {
    std::vector<state_t> todo = {k};
    std::set<state_t> seen;
    while (g.vocal[k] != 0 && !todo.empty() && !h.marked[k]) {
      state_t s = todo.back();
      todo.pop_back();
      for (auto [e, t] : g.out[s])
        if (t != 0 && g.vocal[t] == 0 && seen.insert(t).second) {
          h.marked[k] = g.marked[t];
          todo.push_back(t);
        }
    }
  }
  return h;
}

ref_des ref_relabelled(const ref_des &g, const std::vector<std::pair<int, int>> &pairs) {
  ref_des h = g;
  for (auto &row : h.out) {
    for (auto &t : row) {
      auto p = std::find_if(pairs.begin(), pairs.end(), [&](auto q) { return q.first == t.first; });
      if (p != pairs.end()) t.first = static_cast<event_t>(p->second);
    }
    sort_unique(&row);
  }
  return h;
}

void make_random_vocal(std::mt19937 &rng, state_t states, int max_out, owned_des *out) {
  make_random_des(rng, {states, {0, 1, 2, 3, 4, 5}, max_out, 0.3, true, true}, out);
  out->des[0].vocal = 0;
}

namespace {

// Vocal states reachable from `from` through silent states, over the transitions `keep` accepts.
template <typename Keep>
std::set<state_t> vocal_reach(const ref_des &g, state_t from, Keep keep) {
  std::set<state_t> found, seen;
  std::vector<state_t> todo = {from};
  while (!todo.empty()) {
    state_t s = todo.back();
    todo.pop_back();
    for (auto [e, t] : g.out[s]) {
      if (!keep(e, t)) continue;
      if (g.vocal[t]) found.insert(t);
      if (!g.vocal[t] && seen.insert(t).second) todo.push_back(t);
    }
  }
  return found;
}

bool ref_agent(const ref_des &g, event_t e, state_t t) {
  if (!(e & 1)) return false;
  if (g.vocal[t]) return true;
  return !vocal_reach(g, t, [](event_t ev, state_t) { return !(ev & 1); }).empty();
}

std::set<state_t> ref_blocking(const ref_des &g, event_t e, state_t t) {
  if (!(e & 1)) return {};
  if (g.vocal[t]) return {t};
  return vocal_reach(g, t, [](event_t, state_t) { return true; });
}

}  // namespace

int ref_hcc(ref_des *g, int version) {
  std::set<int> used;
  for (int w : g->vocal)
    if (w) used.insert(base_of(w));
  int next = 10;
  while (next <= 99 && used.count(next)) next++;
  if (next > 99) return 1;
  for (bool changed = true; changed;) {
    changed = false;
    for (state_t i = 0; i < g->size(); i++) {
      for (auto [e, t] : g->out[i]) {
        if (!ref_agent(*g, e, t)) continue;
        auto blocks = [&](event_t ev, state_t x) {
          return ref_agent(*g, ev, x) && ref_blocking(*g, ev, x).size() != 1;
        };
        std::set<state_t> dedicated =
            vocal_reach(*g, i, [&](event_t ev, state_t x) { return !blocks(ev, x); });
        std::set<state_t> blocking = ref_blocking(*g, e, t);
        bool within = !blocking.empty();
        for (state_t c : blocking) within = within && dedicated.count(c);
        if (within) continue;
        g->vocal[t] = 10 * next + 1;
        changed = true;
        if (version == 1) continue;
        used.insert(next);
        while (next <= 99 && used.count(next)) next++;
        if (next > 99) return 1;
      }
    }
  }
  return 0;
}
