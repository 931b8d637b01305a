// Supervisor reduction: a quotient of the supervisor by consistent classes that exerts the same
// control, the lower bound against its definition, a worked example and the refusals.
#include "algo/reduce.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "algo/minimize.h"
#include "model/des_file.h"
#include "model/model_test_util.h"
#include "model/progress.h"
#include "support/reduce_ref.h"

namespace {

void file(const char *name, const ref_des &g, state_t init = 0) {
  owned_des d;
  from_ref(g, &d);
  ASSERT_EQ(filedes(name, d.size, init, d.des), 0);
}

// Control data as a DAT: each disabled event e of state y is the entry (e, 0) of y.
void file_control(const std::vector<event_set> &disabled) {
  ref_des dat{{}, std::vector<bool>(disabled.size()), std::vector<int>(disabled.size()), {}};
  for (const event_set &events : disabled) {
    dat.out.emplace_back();
    for (event_t e : events) dat.out.back().emplace_back(e, 0);
  }
  file("SUPDAT", dat, -1);
}

struct reduced {
  int status;
  int32_t bound = 0;
  float ratio = 0;
  ref_des des;
};

reduced run_supreduce() {
  reduced r;
  r.status = supreduce("PLANT", "SUP", "SUPDAT", "RED", &r.bound, &r.ratio);
  owned_des out;
  state_t init = 0;
  if (getdes("RED", &out.size, &init, &out.des)) r.des = to_ref(out.des, out.size);
  return r;
}

// Two supervisor states may share a class unless the plant marks both alike and the supervisor
// does not, or one enables an event the other disables.
bool consistent(const ref_des &sup, const std::vector<bool> &pm, const std::vector<event_set> &dis,
                state_t x, state_t y) {
  if (pm[x] == pm[y] && sup.marked[x] != sup.marked[y]) return false;
  for (auto [a, b] : {std::pair{x, y}, std::pair{y, x}})
    for (const auto &t : sup.out[a])
      if (dis[b].count(t.first)) return false;
  return true;
}

// The lower bound by its definition: x and y are compatible when every pair reached from them by
// a common string is consistent (incompatibility spreads back along common events until it
// settles); the most compatible state (lowest number on ties) is dropped until no two states left
// are compatible, and the states left are counted.
int ref_bound(const ref_des &sup, const std::vector<bool> &pm, const std::vector<event_set> &dis) {
  state_t n = sup.size();
  std::vector<std::vector<bool>> bad(n, std::vector<bool>(n));
  for (bool changed = true; changed;) {
    changed = false;
    for (state_t x = 0; x < n; x++)
      for (state_t y = 0; y < n; y++) {
        bool now = !consistent(sup, pm, dis, x, y);
        for (const auto &u : sup.out[x])
          for (const auto &w : sup.out[y])
            now = now || (u.first == w.first && bad[u.second][w.second]);
        changed = changed || now != bad[x][y];
        bad[x][y] = now;
      }
  }
  std::vector<int> count(n, 0);
  for (state_t x = 0; x < n; x++)
    for (state_t y = 0; y < n; y++) count[x] += x != y && !bad[x][y];
  std::vector<bool> removed(n, false);
  int left = n;
  for (;; left--) {
    state_t best = -1;
    for (state_t s = 0; s < n; s++)
      if (!removed[s] && (best < 0 || count[s] > count[best])) best = s;
    if (best < 0 || count[best] == 0) return left;
    removed[best] = true;
    for (state_t s = 0; s < n; s++) count[s] -= !removed[s] && !bad[best][s];
  }
}

// Checks a reduction of sup (whose states each follow one plant state) with control data dis:
// the result is sup's quotient by classes numbered by smallest member, each class pairwise
// consistent, disabling what dis does, and the bound and ratio are right.
void check_reduction(const ref_des &plant, const ref_des &sup, const std::vector<event_set> &dis,
                     const reduced &r) {
  ASSERT_EQ(r.status, SUPRED_DONE);
  state_t n = sup.size(), classes = r.des.size();
  std::vector<bool> pm(n), marked(classes, false);
  for (pair_code_t code : ref_meet(plant, sup).codes)
    pm[code / plant.size()] = plant.marked[code % plant.size()];
  std::vector<state_t> cls(n, -1);  // the class of each state, met walking sup and the result
  for (pair_code_t code : ref_meet(sup, r.des).codes)
    cls[code % n] = static_cast<state_t>(code / n);
  ref_des quotient{std::vector<std::vector<std::pair<event_t, state_t>>>(classes), marked, {}, {}};
  for (state_t s = 0, top = -1; s < n; top = std::max(top, cls[s++])) {
    ASSERT_TRUE(cls[s] >= 0 && cls[s] <= top + 1) << s;  // numbered by smallest member
    for (state_t o = 0; o < s; o++)
      EXPECT_TRUE(cls[o] != cls[s] || consistent(sup, pm, dis, o, s)) << o << " with " << s;
    quotient.marked[cls[s]] = quotient.marked[cls[s]] || sup.marked[s];
    for (const auto &[e, t] : sup.out[s]) quotient.out[cls[s]].emplace_back(e, cls[t]);
  }
  for (auto &row : quotient.out) sort_unique(&row);
  EXPECT_TRUE(quotient.out == r.des.out && quotient.marked == r.des.marked);
  for (state_t s = 0; s < n; s++)  // where it disables an event, the result does too
    for (const auto &[e, t] : r.des.out[cls[s]]) EXPECT_FALSE(dis[s].count(e)) << s;
  EXPECT_EQ(r.bound, ref_bound(sup, pm, dis));
  EXPECT_FLOAT_EQ(r.ratio, static_cast<float>(n) / static_cast<float>(classes));
}

// A random plant and its supremal controllable supervisor for a random specification; every
// other seed gives larger ones (up to some 50 supervisor states). Every fourth seed, an arbitrary
// reachable supervisor under a one-state plant that allows every event (so the control data
// disable at each state the events it lacks): the merge tests meet far more kinds of candidate
// pairs than Supcon gives.
bool random_supervisor(unsigned seed, ref_des *plant, ref_des *sup) {
  std::mt19937 rng(seed);
  if (seed % 4 == 3) {
    owned_des raw;
    make_random_des(rng, {6 + static_cast<state_t>(rng() % 20), {1, 3}, 4, 0.5}, &raw);
    *plant = {{{{1, 0}, {3, 0}}}, {true}, {0}, {}};
    *sup = ref_reach(to_ref(raw.des, raw.size));
    return sup->size() >= 3;
  }
  unsigned scale = seed % 3 == 0 ? 1 : 1 + seed % 2 * 2;
  random_des_options options{
      3 + static_cast<state_t>(rng() % (3 * scale)), {0, 1, 2, 3, 5}, 3, 0.5};
  owned_des p, s;
  make_random_des(rng, options, &p);
  options.states = 3 + static_cast<state_t>(rng() % (5 * scale));
  options.max_out = 4;
  make_random_des(rng, options, &s);
  *plant = to_ref(p.des, p.size);
  ref_des spec = to_ref(s.des, s.size);
  if (seed % 3 == 0)  // small, both complete over events 1 and 2, as in the reported fault
    for (ref_des *g : {plant, &spec})
      for (auto &row : g->out)
        row = {{1, static_cast<state_t>(rng() % g->out.size())},
               {2, static_cast<state_t>(rng() % g->out.size())}};
  *sup = ref_supcon(*plant, spec);
  return sup->size() >= 3;
}

int reduction_passes = 0;  // progress lines of the reduction's passes

}  // namespace

// Supervisors of random plants and specifications (first the plant and specification of a
// reported fault), reduced as Supcon gives them and after minimization, where one supervisor state
// can meet plant states of different marking: the closed loop with the plant keeps its closed and
// marked languages, and direct supervisors reduce to consistent quotients of themselves.
TEST(Supreduce, ReductionKeepsTheClosedLoop) {
  scratch_dir dir;
  set_progress_monitor([](const char *line) {
    reduction_passes += std::string_view(line).starts_with("SUPREDUCE pass");
  });
  int cases = 0, merged = 0, via_meet = 0;
  for (unsigned seed = 0; cases < 120; seed++) {
    ref_des plant = {
        {{{1, 1}, {2, 1}}, {{1, 0}, {2, 1}}, {{1, 0}, {2, 1}}}, {0, 1, 0}, {0, 0, 0}, {}};
    ref_des sup = ref_supcon(
        plant, {{{{1, 2}, {2, 1}}, {{1, 2}, {2, 0}}, {{1, 1}, {2, 0}}}, {1, 1, 0}, {0, 0, 0}, {}});
    if (seed > 0 && !random_supervisor(seed, &plant, &sup)) continue;
    cases++;
    for (bool minimized : {false, true}) {
      owned_des m;
      from_ref(sup, &m);
      if (minimized) minimize2(&m.size, &m.des);
      if (m.size == 1) continue;  // copied unchanged
      ref_des s = to_ref(m.des, m.size);
      std::vector<event_set> dat = ref_condat(plant, s);
      file("PLANT", plant);
      file("SUP", s);
      file_control(dat);
      reduced r = run_supreduce();
      SCOPED_TRACE(testing::Message() << seed << (minimized ? " minimized" : " direct"));
      ASSERT_EQ(r.status, SUPRED_DONE);
      EXPECT_TRUE(same_languages(ref_meet(plant, r.des), ref_meet(plant, s)));
      EXPECT_LE(r.des.size(), s.size());
      EXPECT_LE(r.bound, r.des.size());
      bool meet = false;
      EXPECT_EQ(supreduce_check("PLANT", "SUP", "SUPDAT", &meet), SUPRED_DONE);
      via_meet += meet;
      if (!minimized) check_reduction(plant, s, dat, r);  // never via the meet
      merged += r.des.size() < s.size();
    }
  }
  set_progress_monitor(nullptr);
  EXPECT_GT(merged, 90);
  EXPECT_GT(via_meet, 5);
  EXPECT_GT(reduction_passes, 0);
}

TEST(Supreduce, RefusesWhatItCannotReduceFaithfully) {
  scratch_dir dir;
  const ref_des loop = {{{{1, 1}}, {{2, 0}}}, {true, false}, {0, 0}, {}};
  file("PLANT", loop);
  file("SUP", loop);
  file_control({{}, {}});
  EXPECT_EQ(run_supreduce().status, SUPRED_DONE);
  std::filesystem::remove(dir.file("RED.des"));
  // Control data that cannot be read, or of another state count.
  file_control({{}, {}, {}});
  EXPECT_EQ(run_supreduce().status, SUPRED_BAD_CONTROL_DATA);
  std::filesystem::remove(dir.file("SUPDAT.dat"));
  EXPECT_EQ(run_supreduce().status, SUPRED_BAD_CONTROL_DATA);
  file("SUPDAT", {{{}, {}}, {false, false}, {0, 0}, {}}, 0);  // a DES, not control data
  std::filesystem::rename(dir.file("SUPDAT.des"), dir.file("SUPDAT.dat"));
  EXPECT_EQ(run_supreduce().status, SUPRED_BAD_CONTROL_DATA);
  EXPECT_FALSE(dir.listing().count("RED.des"));
  file_control({{}, {}});
  // A string the plant cannot follow; an unreachable supervisor state.
  file("SUP", {{{{3, 1}}, {}}, {true, false}, {0, 0}, {}});
  EXPECT_EQ(run_supreduce().status, SUPRED_NO_MATCH);
  file("SUP", {{{{1, 0}}, {}}, {true, false}, {0, 0}, {}});
  EXPECT_EQ(run_supreduce().status, SUPRED_NO_MATCH);
  // One state with one transition; empty plant or supervisor; unreadable inputs.
  file("SUP", {{{{1, 0}}}, {true}, {0}, {}});
  EXPECT_EQ(run_supreduce().status, SUPRED_SINGLE_TRIPLE);
  file("SUP", {});
  EXPECT_EQ(run_supreduce().status, SUPRED_EMPTY);
  std::filesystem::remove(dir.file("SUP.des"));
  EXPECT_EQ(run_supreduce().status, SUPRED_SUPERVISOR_UNREADABLE);
  file("PLANT", {});
  EXPECT_EQ(run_supreduce().status, SUPRED_EMPTY);
  std::filesystem::remove(dir.file("PLANT.des"));
  EXPECT_EQ(run_supreduce().status, SUPRED_PLANT_UNREADABLE);
  EXPECT_FALSE(dir.listing().count("RED.des"));
}

TEST(Supreduce, OutOfMemoryAnywhereStopsWithNoOutputFile) {
  scratch_dir dir;
  ref_des plant, sup;
  unsigned seed = 1;
  while (!random_supervisor(seed, &plant, &sup) || sup.size() < 6) seed++;
  file("PLANT", plant);
  file("SUP", sup);
  file_control(ref_condat(plant, sup));
  int failures = 0;
  reduced r;
  auto run = [&] { r.status = supreduce("PLANT", "SUP", "SUPDAT", "RED", &r.bound, &r.ratio); };
  for (long k = 0; fails_after(k, run); k++) {
    failures++;
    EXPECT_EQ(r.status, SUPRED_NO_MEMORY) << k;
    EXPECT_FALSE(dir.listing().count("RED.des")) << k;
  }
  EXPECT_GT(failures, 15);
  EXPECT_TRUE(dir.listing().count("RED.des"));
}
