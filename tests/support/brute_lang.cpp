// Test support: reference equivalence and bounded languages by exhaustive, obvious methods.
#include "support/brute_lang.h"

#include <map>
#include <utility>

#include "support/reference.h"

namespace {

// Refines (marked, vocal) classes by the set of (event, target class) until the count is stable.
std::vector<int> refine(const ref_des &g) {
  std::vector<int> cls(g.out.size(), 0);
  for (size_t classes = 0;;) {
    std::map<std::vector<int>, int> ids;
    std::vector<int> next(cls.size());
    for (size_t s = 0; s < cls.size(); s++) {
      std::set<std::pair<int, int>> moves;
      for (const auto &t : g.out[s]) moves.insert({t.first, cls[t.second]});
      std::vector<int> signature = {g.marked[s], g.vocal[s], cls[s]};
      for (const auto &m : moves) signature.insert(signature.end(), {m.first, m.second});
      next[s] = ids.emplace(signature, static_cast<int>(ids.size())).first->second;
    }
    cls = next;
    if (ids.size() == classes) return cls;
    classes = ids.size();
  }
}

}  // namespace

std::vector<int> naive_state_classes(const state_node *des, state_t size) {
  return refine(to_ref(des, size));  // new ids are handed out in state order
}

ref_des naive_quotient(const ref_des &g) {
  return ref_renumber(g, refine(g));  // members of a class agree on marking, output and moves
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

bool same_des(const state_node *a, state_t na, const state_node *b, state_t nb) {
  return diff_des(to_ref(a, na), b, nb).empty();
}
