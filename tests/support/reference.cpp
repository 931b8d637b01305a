// Test support: slow reference algorithms and brute-force languages.
#include "support/reference.h"

#include <algorithm>
#include <map>
#include <queue>
#include <sstream>

#include "model/des_supp.h"

ref_des to_ref(const state_node *des, state_t n) {
  ref_des g;
  for (state_t s = 0; s < n; s++) {
    std::vector<std::pair<event_t, state_t>> row;
    for (int j = 0; j < des[s].numelts; j++)
      row.emplace_back(des[s].next[j].event(), des[s].next[j].target());
    g.out.push_back(row);
    g.marked.push_back(des[s].marked);
    g.vocal.push_back(des[s].vocal);
  }
  return g;
}

void from_ref(const ref_des &ref, owned_des *out) {
  std::vector<transition_spec> transitions;
  std::vector<state_t> marked;
  for (state_t s = 0; s < ref.size(); s++) {
    for (const auto &t : ref.out[s]) transitions.push_back({s, t.first, t.second});
    if (ref.marked[s]) marked.push_back(s);
  }
  make_des(ref.size(), transitions, marked, out);
  for (state_t s = 0; s < ref.size(); s++) out->des[s].vocal = ref.vocal[s];
}

void copy_des(const state_node *des, state_t n, owned_des *out) {
  from_ref(to_ref(des, n), out);
}

std::string diff_des(const ref_des &expected, const state_node *des, state_t n) {
  std::ostringstream why;
  if (n != expected.size()) {
    why << "size " << n << ", expected " << expected.size();
    return why.str();
  }
  ref_des actual = to_ref(des, n);
  for (state_t s = 0; s < n; s++) {
    if (actual.out[s] != expected.out[s])
      why << "transitions of state " << s;
    else if (actual.marked[s] != expected.marked[s])
      why << "marking of state " << s;
    else if (actual.vocal[s] != expected.vocal[s])
      why << "output of state " << s;
    if (!why.str().empty()) break;
  }
  return why.str();
}

std::vector<bool> ref_reachable(const ref_des &g) {
  std::vector<bool> seen(g.out.size(), false);
  if (g.out.empty()) return seen;
  seen[0] = true;
  for (bool changed = true; changed;) {
    changed = false;
    for (state_t s = 0; s < g.size(); s++)
      for (const auto &t : g.out[s])
        if (seen[s] && !seen[t.second]) seen[t.second] = changed = true;
  }
  return seen;
}

std::vector<bool> ref_coreachable(const ref_des &g) {
  std::vector<bool> good = g.marked;
  for (bool changed = true; changed;) {
    changed = false;
    for (state_t s = 0; s < g.size(); s++)
      for (const auto &t : g.out[s])
        if (good[t.second] && !good[s]) good[s] = changed = true;
  }
  return good;
}

ref_des ref_keep(const ref_des &g, const std::vector<bool> &keep) {
  std::vector<state_t> number(g.out.size(), -1);
  state_t next = 0;
  for (state_t s = 0; s < g.size(); s++)
    if (keep[s]) number[s] = next++;
  ref_des r;
  for (state_t s = 0; s < g.size(); s++) {
    if (!keep[s]) continue;
    std::vector<std::pair<event_t, state_t>> row;
    for (const auto &t : g.out[s])
      if (keep[t.second]) row.emplace_back(t.first, number[t.second]);
    r.out.push_back(row);
    r.marked.push_back(g.marked[s]);
    r.vocal.push_back(g.vocal[s]);
    if (!g.codes.empty()) r.codes.push_back(g.codes[s]);
  }
  return r;
}

ref_des ref_reach(const ref_des &g) {
  return ref_keep(g, ref_reachable(g));
}

ref_des ref_trim(const ref_des &g) {
  std::vector<bool> keep = ref_reachable(g), co = ref_coreachable(g);
  for (size_t s = 0; s < keep.size(); s++) keep[s] = keep[s] && co[s];
  if (!keep.empty() && !keep[0]) return ref_des{};
  return ref_keep(g, keep);
}

namespace {

// Target of `s` on `e` in a deterministic DES, or -1.
state_t step(const ref_des &g, state_t s, event_t e) {
  for (const auto &t : g.out[s])
    if (t.first == e) return t.second;
  return -1;
}

// Breadth-first product: `moves` lists, for a pair, its (event, target pair) moves in ascending
// event order.
template <typename Moves>
ref_des product(const ref_des &a, const ref_des &b, Moves moves) {
  ref_des r;
  if (a.out.empty() || b.out.empty()) return r;
  std::map<std::pair<state_t, state_t>, state_t> number;
  std::vector<std::pair<state_t, state_t>> pairs{{0, 0}};
  number[{0, 0}] = 0;
  for (size_t k = 0; k < pairs.size(); k++) {
    std::vector<std::pair<event_t, state_t>> row;
    for (const auto &m : moves(pairs[k])) {
      auto found = number.find(m.second);
      state_t target;
      if (found == number.end()) {
        target = static_cast<state_t>(pairs.size());
        number[m.second] = target;
        pairs.push_back(m.second);
      } else {
        target = found->second;
      }
      row.emplace_back(m.first, target);
    }
    std::sort(row.begin(), row.end());
    r.out.push_back(row);
  }
  for (const auto &p : pairs) {
    r.marked.push_back(a.marked[p.first] && b.marked[p.second]);
    r.vocal.push_back(0);
    r.codes.push_back(p.first + static_cast<pair_code_t>(a.size()) * p.second);
  }
  return r;
}

typedef std::vector<std::pair<event_t, std::pair<state_t, state_t>>> pair_moves;

}  // namespace

ref_des ref_meet(const ref_des &a, const ref_des &b) {
  return product(a, b, [&](std::pair<state_t, state_t> p) {
    pair_moves moves;
    for (const auto &t : a.out[p.first]) {
      state_t t2 = step(b, p.second, t.first);
      if (t2 >= 0) moves.push_back({t.first, {t.second, t2}});
    }
    return moves;
  });
}

ref_des ref_sync(const ref_des &a, const ref_des &b) {
  std::vector<event_t> ea = ref_alphabet(a), eb = ref_alphabet(b), all;
  std::set_union(ea.begin(), ea.end(), eb.begin(), eb.end(), std::back_inserter(all));
  auto in = [](const std::vector<event_t> &list, event_t e) {
    return std::binary_search(list.begin(), list.end(), e);
  };
  return product(a, b, [&](std::pair<state_t, state_t> p) {
    pair_moves moves;
    for (event_t e : all) {
      state_t t1 = in(ea, e) ? step(a, p.first, e) : p.first;
      state_t t2 = in(eb, e) ? step(b, p.second, e) : p.second;
      if (t1 >= 0 && t2 >= 0) moves.push_back({e, {t1, t2}});
    }
    return moves;
  });
}

namespace {

int uncontrollable_count(const ref_des &g, state_t s, const std::vector<bool> *good) {
  int count = 0;
  for (const auto &t : g.out[s])
    if (t.first % 2 == 0 && (good == nullptr || (*good)[t.second])) count++;
  return count;
}

}  // namespace

ref_des ref_supcon(const ref_des &plant, const ref_des &spec) {
  ref_des t = ref_trim(ref_meet(plant, spec));
  for (;;) {
    state_t before = t.size();
    std::vector<bool> good(t.out.size(), true);
    for (state_t k = 0; k < t.size(); k++) {
      state_t x = static_cast<state_t>(t.codes[k] % plant.size());
      int ug = uncontrollable_count(plant, x, nullptr);
      good[k] = ug == 0 || uncontrollable_count(t, k, &good) == ug;
    }
    if (before > 0 && !good[0]) return ref_des{};
    ref_des kept = t;
    for (state_t k = 0; k < t.size(); k++) {
      kept.out[k].clear();
      if (!good[k]) continue;
      for (const auto &tr : t.out[k])
        if (good[tr.second]) kept.out[k].push_back(tr);
    }
    t = ref_trim(kept);
    if (t.size() == before) return t;
  }
}

std::vector<std::set<event_t>> ref_condat(const ref_des &plant, const ref_des &supervisor) {
  std::vector<std::set<event_t>> disabled(supervisor.out.size());
  ref_des m = ref_meet(plant, supervisor);
  for (state_t k = 0; k < m.size(); k++) {
    state_t x = static_cast<state_t>(m.codes[k] % plant.size());
    state_t y = static_cast<state_t>(m.codes[k] / plant.size());
    for (const auto &t : plant.out[x])
      if (step(m, k, t.first) < 0) disabled[y].insert(t.first);
  }
  return disabled;
}

namespace {

void enumerate(const ref_des &g, const std::set<state_t> &at, word *w, int max_len,
               bool marked_only, std::set<word> *out) {
  bool is_marked = false;
  for (state_t s : at) is_marked = is_marked || g.marked[s];
  if (!marked_only || is_marked) out->insert(*w);
  if (static_cast<int>(w->size()) == max_len) return;
  std::map<event_t, std::set<state_t>> next;
  for (state_t s : at)
    for (const auto &t : g.out[s]) next[t.first].insert(t.second);
  for (const auto &e : next) {
    w->push_back(e.first);
    enumerate(g, e.second, w, max_len, marked_only, out);
    w->pop_back();
  }
}

std::set<word> language(const ref_des &g, int max_len, bool marked_only) {
  std::set<word> out;
  if (g.out.empty()) return out;
  word w;
  enumerate(g, {0}, &w, max_len, marked_only, &out);
  return out;
}

}  // namespace

std::set<word> ref_closed_language(const ref_des &g, int max_len) {
  return language(g, max_len, false);
}

std::set<word> ref_marked_language(const ref_des &g, int max_len) {
  return language(g, max_len, true);
}

std::vector<event_t> ref_alphabet(const ref_des &g) {
  std::set<event_t> events;
  for (const auto &row : g.out)
    for (const auto &t : row) events.insert(t.first);
  return std::vector<event_t>(events.begin(), events.end());
}
