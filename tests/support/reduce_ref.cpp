// Test support: normality, controllability and language equality by subset simulation.
#include "support/reduce_ref.h"

#include <algorithm>
#include <functional>
#include <map>
#include <utility>

namespace {

// Closure of `at` under the erased events.
std::set<state_t> closure(const ref_des &g, std::set<state_t> at, const event_set &erased) {
  std::vector<state_t> todo(at.begin(), at.end());
  while (!todo.empty()) {
    state_t s = todo.back();
    todo.pop_back();
    for (const auto &t : g.out[s])
      if (erased.count(t.first) && at.insert(t.second).second) todo.push_back(t.second);
  }
  return at;
}

bool any_marked(const ref_des &g, const std::set<state_t> &at) {
  for (state_t s : at)
    if (g.marked[s]) return true;
  return false;
}

state_t step(const ref_des &g, state_t s, event_t e) {
  for (const auto &t : g.out[s])
    if (t.first == e) return t.second;
  return -1;
}

word image(const word &s, const event_set &erased) {
  word out;
  for (event_t e : s)
    if (!erased.count(e)) out.push_back(e);
  return out;
}

bool projected_member(const ref_des &g, const word &observed, const event_set &erased,
                      bool marked_only) {
  if (g.size() == 0) return false;
  std::set<state_t> at = closure(g, {0}, erased);
  for (event_t e : observed) at = closure(g, ref_after(g, at, {e}), erased);
  return marked_only ? any_marked(g, at) : !at.empty();
}

}  // namespace

std::set<word> ref_supnorm(const ref_des &e, const ref_des &g, const event_set &erased,
                           int max_len) {
  // Lm(g) - Lm(e) as a deterministic DES over pairs (g state, e state or ne when e is stuck),
  // numbered g * (ne + 1) + e.
  state_t ne = e.size();
  ref_des bad;
  for (state_t s = 0; s < g.size(); s++)
    for (state_t k = 0; k <= ne; k++) {
      bad.out.emplace_back();
      for (const auto &t : g.out[s]) {
        state_t next = k == ne ? -1 : step(e, k, t.first);
        bad.out.back().emplace_back(t.first, t.second * (ne + 1) + (next < 0 ? ne : next));
      }
      bad.marked.push_back(g.marked[s] && !(k < ne && e.marked[k]));
      bad.vocal.push_back(0);
    }
  std::set<word> result;
  for (const word &s : ref_marked_language(ref_meet(e, g), max_len))
    if (!projected_member(bad, image(s, erased), erased, true)) result.insert(s);
  return result;
}

std::string normality_violation(const ref_des &k, const ref_des &g, const event_set &erased,
                                int max_len, bool marked_only) {
  std::set<word> strings =
      marked_only ? ref_marked_language(g, max_len) : ref_closed_language(g, max_len);
  for (const word &s : strings)
    if (!projected_member(k, s, {}, marked_only) &&
        projected_member(k, image(s, erased), erased, marked_only))
      return "string of length " + std::to_string(s.size()) + " looks like one of K";
  return "";
}

bool ref_controllable(const ref_des &k, const ref_des &g) {
  ref_des m = ref_meet(k, g);
  for (state_t j = 0; j < m.size(); j++) {
    state_t ks = static_cast<state_t>(m.codes[j] % k.size()),
            gs = static_cast<state_t>(m.codes[j] / k.size());
    for (const auto &t : g.out[gs])
      if (t.first % 2 == 0 && step(k, ks, t.first) < 0) return false;
  }
  return true;
}

bool same_languages(const ref_des &a, const ref_des &b) {
  typedef std::pair<std::set<state_t>, std::set<state_t>> both;
  both start{a.size() ? std::set<state_t>{0} : std::set<state_t>{},
             b.size() ? std::set<state_t>{0} : std::set<state_t>{}};
  std::set<both> seen{start};
  std::vector<both> todo{start};
  while (!todo.empty()) {
    both at = todo.back();
    todo.pop_back();
    if (any_marked(a, at.first) != any_marked(b, at.second)) return false;
    std::set<event_t> ea, eb;
    for (state_t s : at.first)
      for (const auto &t : a.out[s]) ea.insert(t.first);
    for (state_t s : at.second)
      for (const auto &t : b.out[s]) eb.insert(t.first);
    if (ea != eb) return false;
    for (event_t e : ea) {
      both next{ref_after(a, at.first, {e}), ref_after(b, at.second, {e})};
      if (seen.insert(next).second) todo.push_back(next);
    }
  }
  return true;
}
