// Test support: slow reference algorithms and brute-force languages.
#include "support/reference.h"

#include <algorithm>
#include <map>

#include "model/mymalloc.h"
#include "support/brute_lang.h"

namespace {

// Fixpoint: grows `seen` along transitions (forward) or against them (backward).
std::vector<bool> closure(const ref_des &g, std::vector<bool> seen, bool forward) {
  for (bool changed = true; changed;) {
    changed = false;
    for (state_t s = 0; s < g.size(); s++)
      for (const auto &t : g.out[s]) {
        state_t from = forward ? s : t.second, to = forward ? t.second : s;
        if (seen[from] && !seen[to]) seen[to] = changed = true;
      }
  }
  return seen;
}

std::vector<bool> reachable(const ref_des &g) {
  std::vector<bool> start(g.out.size(), false);
  if (!start.empty()) start[0] = true;
  return closure(g, start, true);
}

typedef std::pair<state_t, state_t> joint;

// Breadth-first product over `events` in ascending order: every pair of a target of `first(s1,
// e)` and one of `second(s2, e)` is a joint successor on e, taken in that order.
template <typename First, typename Second>
ref_des product(const ref_des &a, const ref_des &b, const std::vector<event_t> &events, First first,
                Second second) {
  ref_des r;
  std::map<joint, state_t> number{{{0, 0}, 0}};
  std::vector<joint> pairs{{0, 0}};
  for (size_t k = 0; k < pairs.size() && a.size() && b.size(); k++) {
    r.out.emplace_back();
    for (event_t e : events)
      for (state_t t1 : first(pairs[k].first, e))
        for (state_t t2 : second(pairs[k].second, e)) {
          auto found = number.emplace(joint{t1, t2}, static_cast<state_t>(pairs.size()));
          if (found.second) pairs.push_back({t1, t2});
          r.out[k].emplace_back(e, found.first->second);
        }
    std::sort(r.out[k].begin(), r.out[k].end());
    r.marked.push_back(a.marked[pairs[k].first] && b.marked[pairs[k].second]);
    r.vocal.push_back(0);
    r.codes.push_back(pairs[k].first + static_cast<pair_code_t>(a.size()) * pairs[k].second);
  }
  return r;
}

}  // namespace

ref_des to_ref(const state_node *des, state_t n) {
  ref_des g;
  for (state_t s = 0; s < n; s++) {
    g.out.emplace_back();
    for (int j = 0; j < des[s].numelts; j++)
      g.out[s].emplace_back(des[s].next[j].event(), des[s].next[j].target());
    g.marked.push_back(des[s].marked);
    g.vocal.push_back(des[s].vocal);
  }
  return g;
}

void sort_unique(std::vector<std::pair<event_t, state_t>> *row) {
  std::sort(row->begin(), row->end());
  row->erase(std::unique(row->begin(), row->end()), row->end());
}

void from_ref(const ref_des &ref, owned_des *out) {
  std::vector<transition_spec> transitions;
  std::vector<state_t> marked;
  for (state_t s = 0; s < ref.size(); s++) {
    for (const auto &t : ref.out[s]) transitions.push_back({s, t.first, t.second});
    if (ref.marked[s]) marked.push_back(s);
  }
  make_des(ref.size(), transitions, marked, out);
  for (state_t s = 0; s < ref.size(); s++)
    out->des[s].vocal = static_cast<uint16_t>(ref.vocal[s] & 0x1FFF);
}

std::string diff_des(const ref_des &expected, const state_node *des, state_t n) {
  if (n != expected.size())
    return "size " + std::to_string(n) + ", expected " + std::to_string(expected.size());
  ref_des actual = to_ref(des, n);
  for (state_t s = 0; s < n; s++)
    if (actual.out[s] != expected.out[s] || actual.marked[s] != expected.marked[s] ||
        actual.vocal[s] != expected.vocal[s])
      return "transitions, marking or output of state " + std::to_string(s);
  return "";
}

std::vector<bool> ref_coreachable(const ref_des &g) {
  return closure(g, g.marked, false);
}

ref_des ref_keep(const ref_des &g, const std::vector<bool> &keep) {
  std::vector<state_t> number(g.out.size(), -1);
  state_t next = 0;
  for (state_t s = 0; s < g.size(); s++)
    if (keep[s]) number[s] = next++;
  ref_des r = ref_renumber(g, number);
  for (state_t s = 0; s < g.size() && !g.codes.empty(); s++)
    if (keep[s]) r.codes.push_back(g.codes[s]);
  return r;
}

ref_des ref_renumber(const ref_des &g, const std::vector<state_t> &map) {
  state_t k = map.empty() ? 0 : *std::max_element(map.begin(), map.end()) + 1;
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
    sort_unique(&r.out[map[s]]);
  }
  return r;
}

ref_des ref_reach(const ref_des &g) {
  return ref_keep(g, reachable(g));
}

ref_des ref_trim(const ref_des &g) {
  std::vector<bool> keep = reachable(g), co = ref_coreachable(g);
  for (size_t s = 0; s < keep.size(); s++) keep[s] = keep[s] && co[s];
  return ref_keep(g, keep);  // nothing when state 0 is blocking
}

ref_des ref_reverse(const ref_des &g) {
  ref_des r = g;
  for (state_t s = 0; s < g.size(); s++) r.out[s].clear(), r.vocal[s] = 0;
  for (state_t s = 0; s < g.size(); s++)
    for (const auto &t : g.out[s]) r.out[t.second].emplace_back(t.first, s);
  for (auto &row : r.out) std::sort(row.begin(), row.end());
  return r;
}

ref_des ref_meet(const ref_des &a, const ref_des &b) {
  return product(
      a, b, ref_alphabet(a), [&](state_t s, event_t e) { return ref_after(a, {s}, {e}); },
      [&](state_t s, event_t e) { return ref_after(b, {s}, {e}); });
}

ref_des ref_sync(const ref_des &a, const ref_des &b) {
  std::vector<event_t> ea = ref_alphabet(a), eb = ref_alphabet(b), all;
  std::set_union(ea.begin(), ea.end(), eb.begin(), eb.end(), std::back_inserter(all));
  // A component that lacks the event stays where it is.
  auto mover = [](const ref_des &g, const std::vector<event_t> &own) {
    return [&g, &own](state_t s, event_t e) {
      return std::binary_search(own.begin(), own.end(), e) ? ref_after(g, {s}, {e})
                                                           : std::set<state_t>{s};
    };
  };
  return product(a, b, all, mover(a, ea), mover(b, eb));
}

ref_des ref_supcon(const ref_des &plant, const ref_des &spec) {
  // Uncontrollable (even) events at s, counting only those into good states when given.
  auto uncontrollable = [](const ref_des &g, state_t s, const std::vector<bool> *good) {
    return std::count_if(g.out[s].begin(), g.out[s].end(), [&](std::pair<event_t, state_t> t) {
      return t.first % 2 == 0 && (good == nullptr || (*good)[t.second]);
    });
  };
  ref_des t = ref_trim(ref_meet(plant, spec));
  for (state_t before = -1; t.size() != before;) {
    before = t.size();
    std::vector<bool> good(t.out.size(), true);
    for (state_t k = 0; k < t.size(); k++) {
      long ug = uncontrollable(plant, static_cast<state_t>(t.codes[k] % plant.size()), nullptr);
      good[k] = ug == 0 || uncontrollable(t, k, &good) == ug;
    }
    if (before > 0 && !good[0]) return ref_des{};
    t = ref_trim(ref_keep(t, good));
  }
  return t;
}

std::vector<std::set<event_t>> ref_condat(const ref_des &plant, const ref_des &supervisor) {
  std::vector<std::set<event_t>> disabled(supervisor.out.size());
  ref_des m = ref_meet(plant, supervisor);
  for (state_t k = 0; k < m.size(); k++)
    for (const auto &t : plant.out[m.codes[k] % plant.size()])
      if (ref_after(m, {k}, {t.first}).empty()) disabled[m.codes[k] / plant.size()].insert(t.first);
  return disabled;
}

std::set<word> ref_closed_language(const ref_des &g, int max_len) {
  owned_des d;
  from_ref(g, &d);
  return bounded_projected_language(d.des, d.size, max_len, {}).generated;
}

std::set<word> ref_marked_language(const ref_des &g, int max_len) {
  owned_des d;
  from_ref(g, &d);
  return bounded_projected_language(d.des, d.size, max_len, {}).marked;
}

std::set<state_t> ref_after(const ref_des &g, std::set<state_t> at, const word &w) {
  for (event_t e : w) {
    std::set<state_t> next;
    for (state_t s : at)
      for (const auto &t : g.out[s])
        if (t.first == e) next.insert(t.second);
    at = next;
  }
  return at;
}

std::vector<event_t> ref_alphabet(const ref_des &g) {
  std::set<event_t> events;
  for (const auto &row : g.out)
    for (const auto &t : row) events.insert(t.first);
  return std::vector<event_t>(events.begin(), events.end());
}

bool fails_after(long successes, const std::function<void()> &run) {
  mem_result = 0;
  fail_allocation_after(successes);
  run();
  fail_allocation_after(-1);
  bool failed = mem_result != 0;
  mem_result = 0;
  return failed;
}
