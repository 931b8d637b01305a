// Test support: brute-force references for the transforms and tests on DES.
#include "support/transform_ref.h"

#include <algorithm>
#include <numeric>

bool is_isomorphism(const ref_des &a, const ref_des &b, const std::vector<state_t> &corr) {
  if (a.size() != b.size() || corr.size() != a.out.size()) return false;
  std::vector<state_t> sorted = corr;
  std::sort(sorted.begin(), sorted.end());
  for (size_t s = 0; s < sorted.size(); s++)
    if (sorted[s] != static_cast<state_t>(s)) return false;
  ref_des r = ref_renumber(a, corr);
  return r.out == b.out && r.marked == b.marked && r.vocal == b.vocal;
}

bool ref_isomorphic(const ref_des &a, const ref_des &b) {
  std::vector<state_t> corr(a.size());
  std::iota(corr.begin(), corr.end(), 0);
  do {
    if (is_isomorphism(a, b, corr)) return true;
  } while (!corr.empty() && std::next_permutation(corr.begin() + 1, corr.end()));
  return false;
}

std::vector<state_t> ref_bfs_numbering(const ref_des &g) {
  std::vector<state_t> number(g.out.size(), -1), order;
  if (g.out.empty()) return number;
  number[0] = 0;
  order.push_back(0);
  for (size_t at = 0; at < order.size(); at++)
    for (const auto &t : g.out[order[at]])
      if (number[t.second] < 0) {
        number[t.second] = static_cast<state_t>(order.size());
        order.push_back(t.second);
      }
  return number;
}

ref_des ref_mutex(const ref_des &a, const ref_des &b,
                  const std::vector<std::pair<state_t, state_t>> &excluded) {
  ref_des p = ref_sync(a, b);
  std::vector<bool> keep(p.out.size());
  for (state_t s = 0; s < p.size(); s++) {
    std::pair<state_t, state_t> pair(p.codes[s] % a.size(), p.codes[s] / a.size());
    keep[s] = std::find(excluded.begin(), excluded.end(), pair) == excluded.end();
  }
  for (bool changed = true; changed;) {
    changed = false;
    for (state_t s = 0; s < p.size(); s++)
      for (const auto &t : p.out[s])
        if (keep[s] && t.first % 2 == 0 && !keep[t.second]) keep[s] = !(changed = true);
  }
  if (p.out.empty() || !keep[0]) return ref_des{};
  return ref_reach(ref_keep(p, keep));
}

std::set<word> all_words(const std::vector<event_t> &events, int max_len) {
  std::set<word> out{word{}};
  if (max_len > 0)
    for (word w : all_words(events, max_len - 1))
      for (event_t e : events) {
        w.push_back(e);
        out.insert(w);
        w.pop_back();
      }
  return out;
}

std::set<word> prefix_closed_part(const std::set<word> &lang) {
  std::set<word> out;
  for (const word &w : lang)  // in lexicographic order, so every prefix comes first
    if (w.empty() || out.count(word(w.begin(), w.end() - 1))) out.insert(w);
  return out;
}
