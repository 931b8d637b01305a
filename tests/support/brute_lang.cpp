// Test support: reference equivalence and bounded languages by exhaustive, obvious methods.
#include "support/brute_lang.h"

#include <map>
#include <utility>

#include "model/des_supp.h"

namespace {

struct plain_state {
  int marked;
  int vocal;
  std::vector<std::pair<int, int>> edges;  // (event, target)
};

std::vector<plain_state> plain_of(const state_node *des, state_t size, int offset) {
  std::vector<plain_state> out(static_cast<size_t>(size));
  for (state_t s = 0; s < size; s++) {
    out[s].marked = des[s].marked;
    out[s].vocal = des[s].vocal;
    for (int j = 0; j < des[s].numelts; j++)
      out[s].edges.push_back({des[s].next[j].event(), des[s].next[j].target() + offset});
  }
  return out;
}

// Refines (marked, vocal) classes by the set of (event, target class) until nothing changes.
std::vector<int> refine(const std::vector<plain_state> &states) {
  size_t n = states.size();
  std::vector<int> cls(n);
  size_t classes = 0;
  for (;;) {
    std::map<std::vector<int>, int> ids;
    std::vector<int> next(n);
    for (size_t s = 0; s < n; s++) {
      std::set<std::pair<int, int>> moves;
      for (const auto &e : states[s].edges) moves.insert({e.first, classes ? cls[e.second] : 0});
      std::vector<int> signature = {states[s].marked, states[s].vocal, classes ? cls[s] : 0};
      for (const auto &m : moves) {
        signature.push_back(m.first);
        signature.push_back(m.second);
      }
      auto it = ids.emplace(signature, static_cast<int>(ids.size())).first;
      next[s] = it->second;
    }
    bool stable = classes != 0 && ids.size() == classes;
    classes = ids.size();
    cls = next;
    if (stable) return cls;
  }
}

}  // namespace

std::vector<int> naive_state_classes(const state_node *des, state_t size) {
  std::vector<int> cls = refine(plain_of(des, size, 0));
  std::map<int, int> by_smallest;
  for (int &c : cls) c = by_smallest.emplace(c, static_cast<int>(by_smallest.size())).first->second;
  return cls;
}

bool naive_equivalent(const state_node *a, state_t na, const state_node *b, state_t nb) {
  if (na == 0 || nb == 0) return na == nb;
  std::vector<plain_state> all = plain_of(a, na, 0);
  std::vector<plain_state> second = plain_of(b, nb, na);
  all.insert(all.end(), second.begin(), second.end());
  std::vector<int> cls = refine(all);
  return cls[0] == cls[static_cast<size_t>(na)];
}

bounded_language bounded_projected_language(const state_node *des, state_t size, int max_length,
                                            const std::set<event_t> &erased) {
  bounded_language lang;
  if (size <= 0) return lang;
  typedef std::pair<state_t, std::vector<event_t>> item;
  std::set<item> seen = {{0, {}}};
  std::vector<item> todo = {{0, {}}};
  while (!todo.empty()) {
    item cur = todo.back();
    todo.pop_back();
    lang.generated.insert(cur.second);
    if (des[cur.first].marked) lang.marked.insert(cur.second);
    for (int j = 0; j < des[cur.first].numelts; j++) {
      tran_entry t = des[cur.first].next[j];
      item next = {t.target(), cur.second};
      if (!erased.count(t.event())) {
        if (static_cast<int>(next.second.size()) == max_length) continue;
        next.second.push_back(t.event());
      }
      if (seen.insert(next).second) todo.push_back(next);
    }
  }
  return lang;
}

bool is_deterministic_des(const state_node *des, state_t size) {
  for (state_t s = 0; s < size; s++)
    for (int j = 1; j < des[s].numelts; j++)
      if (des[s].next[j].event() == des[s].next[j - 1].event()) return false;
  return true;
}

bool same_des(const state_node *a, state_t na, const state_node *b, state_t nb) {
  if (na != nb) return false;
  for (state_t s = 0; s < na; s++) {
    if (a[s].marked != b[s].marked || a[s].vocal != b[s].vocal) return false;
    if (a[s].numelts != b[s].numelts) return false;
    for (int j = 0; j < a[s].numelts; j++)
      if (!tran_equal(a[s].next[j], b[s].next[j])) return false;
  }
  return true;
}
