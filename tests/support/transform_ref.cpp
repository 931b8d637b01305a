// Test support: brute-force references for the transforms and tests on DES.
#include "support/transform_ref.h"

#include <algorithm>
#include <numeric>
#include <queue>

bool is_isomorphism(const ref_des &a, const ref_des &b, const std::vector<state_t> &corr) {
  state_t n = a.size();
  if (b.size() != n || static_cast<state_t>(corr.size()) != n) return false;
  std::vector<bool> used(n, false);
  for (state_t s = 0; s < n; s++) {
    if (corr[s] < 0 || corr[s] >= n || used[corr[s]]) return false;
    used[corr[s]] = true;
  }
  for (state_t s = 0; s < n; s++) {
    state_t t = corr[s];
    if (a.marked[s] != b.marked[t] || a.vocal[s] != b.vocal[t]) return false;
    std::vector<std::pair<event_t, state_t>> image;
    for (const auto &tr : a.out[s]) image.emplace_back(tr.first, corr[tr.second]);
    std::sort(image.begin(), image.end());
    if (image != b.out[t]) return false;
  }
  return true;
}

bool ref_isomorphic(const ref_des &a, const ref_des &b) {
  state_t n = a.size();
  if (b.size() != n) return false;
  if (n == 0) return true;
  std::vector<state_t> corr(n);
  std::iota(corr.begin(), corr.end(), 0);
  do {
    if (is_isomorphism(a, b, corr)) return true;
  } while (std::next_permutation(corr.begin() + 1, corr.end()));
  return false;
}

ref_des ref_renumber(const ref_des &g, const std::vector<state_t> &map) {
  state_t k = 0;
  for (state_t m : map) k += m >= 0 ? 1 : 0;
  ref_des r;
  r.out.resize(k);
  r.marked.resize(k);
  r.vocal.resize(k);
  for (state_t s = 0; s < g.size(); s++) {
    if (map[s] < 0) continue;
    r.marked[map[s]] = g.marked[s];
    r.vocal[map[s]] = g.vocal[s];
    for (const auto &t : g.out[s])
      if (map[t.second] >= 0) r.out[map[s]].emplace_back(t.first, map[t.second]);
    std::sort(r.out[map[s]].begin(), r.out[map[s]].end());
  }
  return r;
}

std::vector<state_t> ref_bfs_numbering(const ref_des &g) {
  std::vector<state_t> number(g.out.size(), -1);
  if (g.out.empty()) return number;
  std::queue<state_t> pending;
  state_t next = 0;
  number[0] = next++;
  pending.push(0);
  while (!pending.empty()) {
    state_t s = pending.front();
    pending.pop();
    for (const auto &t : g.out[s]) {
      if (number[t.second] >= 0) continue;
      number[t.second] = next++;
      pending.push(t.second);
    }
  }
  return number;
}

bool ref_nonconflicting(const ref_des &a, const ref_des &b) {
  std::vector<bool> co = ref_coreachable(ref_meet(a, b));
  return std::all_of(co.begin(), co.end(), [](bool c) { return c; });
}

ref_des ref_mutex(const ref_des &a, const ref_des &b,
                  const std::vector<std::pair<state_t, state_t>> &excluded) {
  ref_des p = ref_sync(a, b);
  std::vector<bool> bad(p.out.size(), false);
  for (state_t s = 0; s < p.size(); s++) {
    std::pair<state_t, state_t> pair{static_cast<state_t>(p.codes[s] % a.size()),
                                     static_cast<state_t>(p.codes[s] / a.size())};
    bad[s] = std::find(excluded.begin(), excluded.end(), pair) != excluded.end();
  }
  for (bool changed = true; changed;) {
    changed = false;
    for (state_t s = 0; s < p.size(); s++)
      for (const auto &t : p.out[s])
        if (!bad[s] && t.first % 2 == 0 && bad[t.second]) bad[s] = changed = true;
  }
  if (p.out.empty() || bad[0]) return ref_des{};
  std::vector<bool> keep(bad.size());
  for (size_t s = 0; s < bad.size(); s++) keep[s] = !bad[s];
  return ref_reach(ref_keep(p, keep));
}

std::set<word> all_words(const std::vector<event_t> &events, int max_len) {
  std::set<word> out{word{}};
  std::vector<word> layer{word{}};
  for (int len = 1; len <= max_len; len++) {
    std::vector<word> longer;
    for (const word &w : layer)
      for (event_t e : events) {
        word x = w;
        x.push_back(e);
        longer.push_back(x);
      }
    out.insert(longer.begin(), longer.end());
    layer.swap(longer);
  }
  return out;
}

std::set<word> prefix_closed_part(const std::set<word> &lang) {
  std::set<word> out;
  for (const word &w : lang) {
    bool closed = true;
    for (size_t len = 0; len < w.size() && closed; len++)
      closed = lang.count(word(w.begin(), w.begin() + len)) > 0;
    if (closed) out.insert(w);
  }
  return out;
}
