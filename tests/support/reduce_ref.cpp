// Test support: projections by subset simulation, and supervisor reduction transcribed step by
// step with plain containers, linear scans and a full pair matrix.
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

std::set<state_t> after(const ref_des &g, const std::set<state_t> &at, event_t e) {
  std::set<state_t> next;
  for (state_t s : at)
    for (const auto &t : g.out[s])
      if (t.first == e) next.insert(t.second);
  return next;
}

state_t step(const ref_des &g, state_t s, event_t e) {
  for (const auto &t : g.out[s])
    if (t.first == e) return t.second;
  return -1;
}

}  // namespace

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
  for (event_t e : observed) at = closure(g, after(g, at, e), erased);
  return marked_only ? any_marked(g, at) : !at.empty();
}

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
      both next{after(a, at.first, e), after(b, at.second, e)};
      if (seen.insert(next).second) todo.push_back(next);
    }
  }
  return true;
}

namespace {

// The reduction's working data: supervisor transitions with the placeholder (1000, s) for a
// state without any, classes as lists headed by their representative, the pairs of the test
// under way, and the full pair matrix of the lower bound.
struct literal {
  std::vector<std::vector<std::pair<int, state_t>>> trans;
  std::vector<bool> pm, sm;
  std::vector<event_set> dis;
  std::vector<state_t> rep;
  std::vector<std::vector<state_t>> cls;
  std::vector<std::pair<state_t, state_t>> tmpu;
  std::vector<std::vector<int>> table;

  bool enables(state_t x, int e) const {
    for (const auto &t : trans[x])
      if (t.first == e) return true;
    return false;
  }
  bool ok(state_t x, state_t y) const {
    if (pm[x] == pm[y] && sm[x] != sm[y]) return false;
    for (event_t e : dis[x])
      if (enables(y, e)) return false;
    for (event_t e : dis[y])
      if (enables(x, e)) return false;
    return true;
  }
  bool on_stack(state_t x, state_t y) const {
    for (const auto &p : tmpu)
      if ((p.first == x && p.second == y) || (p.first == y && p.second == x)) return true;
    return false;
  }
  // The i-th candidate paired with `owner`: class members, then partners on the stack.
  bool candidate(state_t owner, size_t i, int mode, state_t *out) const {
    if (mode == 1) return i == 0 ? (*out = owner, true) : false;
    const std::vector<state_t> &c = cls[rep[owner]];
    if (i < c.size()) return *out = c[i], true;
    size_t k = i - c.size();
    for (const auto &p : tmpu) {
      if (p.first != owner && p.second != owner) continue;
      if (k-- == 0) return *out = p.first == owner ? p.second : p.first, true;
    }
    return false;
  }
  bool selfloop(state_t a, state_t b0, state_t floor, int mode) {
    state_t f, g;
    for (size_t fi = 0; candidate(a, fi, mode, &f); fi++)
      for (size_t gi = 0; candidate(b0, gi, mode, &g); gi++) {
        if (!((f == a && g == b0) || (f == b0 && g == a))) {
          if (rep[f] == rep[g] || on_stack(f, g)) continue;
          if (!ok(f, g)) return false;
          tmpu.push_back({f, g});
        }
        for (const auto &u : trans[f])
          for (const auto &w : trans[g]) {
            if (u.first != w.first) continue;
            state_t t1 = u.second, t2 = w.second;
            if (mode == 1 && table[t1][t2] == 0) continue;
            if (mode == 1 && table[t1][t2] == 1 && t1 != t2) return false;
            if (rep[t1] == rep[t2]) continue;
            if (rep[t1] < floor || rep[t2] < floor) return false;
            if (on_stack(t1, t2)) continue;
            if (!ok(t1, t2)) return false;
            tmpu.push_back({t1, t2});
            if (!selfloop(t1, t2, floor, mode)) {
              if (mode == 1) table[t1][t2] = table[t2][t1] = 1;
              return false;
            }
          }
      }
    return true;
  }
};

}  // namespace

ref_reduction ref_supreduce(const ref_des &plant, const ref_des &sup,
                            const std::vector<event_set> &disabled) {
  ref_reduction r;
  state_t n = sup.size();
  literal L;
  L.dis = disabled;
  for (state_t s = 0; s < n; s++) {
    L.trans.emplace_back(sup.out[s].begin(), sup.out[s].end());
    if (L.trans[s].empty()) L.trans[s].push_back({1000, s});
  }
  // Spanning tree by recursive search, then plant states along it.
  std::vector<state_t> parent(n, -1), matched(n, -1);
  std::function<void(state_t)> visit = [&](state_t s) {
    for (const auto &t : sup.out[s])
      if (t.second != 0 && parent[t.second] < 0) parent[t.second] = s, visit(t.second);
  };
  visit(0);
  std::function<state_t(state_t)> match = [&](state_t x) -> state_t {
    if (x == 0) return 0;
    if (parent[x] < 0) return -1;
    state_t p = match(parent[x]);
    for (const auto &t : sup.out[parent[x]])
      if (t.second == x) return p < 0 ? -1 : step(plant, p, t.first);
    return -1;
  };
  for (state_t x = 0; x < n; x++)
    if ((matched[x] = match(x)) < 0) return r.status = 40, r;
  for (state_t x = 0; x < n; x++) {
    L.pm.push_back(plant.marked[matched[x]]);
    L.sm.push_back(sup.marked[x]);
    L.rep.push_back(x);
    L.cls.push_back({x});
  }
  for (state_t k = 0; k < n; k++) {
    if (L.rep[k] != k) continue;
    for (state_t l = k + 1; l < n; l++) {
      if (L.rep[l] != l || !L.ok(k, l)) continue;
      L.tmpu = {{k, l}};
      if (L.selfloop(k, l, k, 0))
        for (const auto &p : L.tmpu) {
          state_t lo = std::min(L.rep[p.first], L.rep[p.second]),
                  hi = std::max(L.rep[p.first], L.rep[p.second]);
          if (lo == hi) continue;
          for (state_t m : L.cls[hi]) L.rep[m] = lo, L.cls[lo].push_back(m);
          L.cls[hi].clear();
        }
    }
  }
  r.rep = L.rep;
  // Lower bound.
  for (state_t x = 0; x < n; x++) L.rep[x] = x, L.cls[x] = {x};
  L.table.assign(n, std::vector<int>(n, -1));
  for (state_t l = 0; l < n; l++)
    for (state_t e = l + 1; e < n; e++) {
      if (L.table[l][e] != -1 || !L.ok(l, e)) continue;
      L.tmpu = {{l, e}};
      if (!L.selfloop(l, e, -1, 1))
        L.table[l][e] = L.table[e][l] = 1;
      else
        for (const auto &p : L.tmpu) L.table[p.first][p.second] = L.table[p.second][p.first] = 0;
    }
  std::vector<int> count(n, 0);
  std::vector<bool> removed(n, false);
  for (state_t x = 0; x < n; x++)
    for (state_t y = 0; y < n; y++) count[x] += L.table[x][y] == 0;
  r.bound = n;
  for (;;) {
    state_t best = -1;
    for (state_t s = 0; s < n; s++)
      if (!removed[s] && (best < 0 || count[s] > count[best])) best = s;
    if (best < 0 || count[best] == 0) break;
    for (state_t s = 0; s < n; s++)
      if (!removed[s] && L.table[best][s] == 0) count[s]--;
    removed[best] = true;
    r.bound--;
  }
  return r;
}

ref_des ref_quotient(const ref_des &sup, const std::vector<state_t> &rep) {
  std::map<state_t, state_t> number;
  for (state_t s = 0; s < sup.size(); s++)
    if (rep[s] == s) number.emplace(s, static_cast<state_t>(number.size()));
  ref_des q;
  q.out.resize(number.size());
  q.marked.assign(number.size(), false);
  q.vocal.assign(number.size(), 0);
  for (state_t s = 0; s < sup.size(); s++) {
    state_t c = number[rep[s]];
    if (sup.marked[s]) q.marked[c] = true;
    for (const auto &t : sup.out[s]) q.out[c].push_back({t.first, number[rep[t.second]]});
  }
  for (auto &row : q.out) {
    std::sort(row.begin(), row.end());
    row.erase(std::unique(row.begin(), row.end()), row.end());
  }
  return q;
}
