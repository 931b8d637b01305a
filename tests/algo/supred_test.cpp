// Supervisor reduction: same control as the supervisor, the same classes and bound as a literal
// transcription of the method, and its refusals.
#include "algo/supred.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "model/des_file.h"
#include "support/reduce_ref.h"

namespace {

// A user directory of its own for each test: prefix points there while it lives.
struct scratch_dir {
  std::string path;
  char saved[256];
  scratch_dir() {
    char name[] = "/tmp/sarv_supredXXXXXX";
    path = mkdtemp(name);
    strcpy(saved, prefix);
    snprintf(prefix, sizeof prefix, "%s/", path.c_str());
  }
  ~scratch_dir() {
    strcpy(prefix, saved);
    std::filesystem::remove_all(path);
  }
  bool has(const std::string &file) const { return std::filesystem::exists(path + "/" + file); }
};

void file(const char *name, const ref_des &g, state_t init = 0) {
  owned_des d;
  from_ref(g, &d);
  ASSERT_EQ(filedes(name, d.size, init, d.des), 0);
}

// Control data as a DAT: each disabled event e of state y is the entry (e, 0) of y.
void file_control(const char *name, const std::vector<event_set> &disabled) {
  ref_des dat;
  for (const event_set &events : disabled) {
    dat.out.emplace_back();
    for (event_t e : events) dat.out.back().emplace_back(e, 0);
    dat.marked.push_back(false);
    dat.vocal.push_back(0);
  }
  file(name, dat, -1);
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

// A random plant and its supremal controllable supervisor for a random specification; every
// other seed gives larger ones (up to some 50 supervisor states).
bool random_supervisor(unsigned seed, ref_des *plant, ref_des *sup) {
  std::mt19937 rng(seed);
  random_des_options options;
  int scale = 1 + static_cast<int>(seed % 2) * 2;
  options.events = {0, 1, 2, 3, 5};
  options.states = 3 + static_cast<state_t>(rng() % static_cast<unsigned>(3 * scale));
  options.marked_fraction = 0.5;
  owned_des p, s;
  make_random_des(rng, options, &p);
  options.states = 3 + static_cast<state_t>(rng() % static_cast<unsigned>(5 * scale));
  options.max_out = 4;
  make_random_des(rng, options, &s);
  *plant = to_ref(p.des, p.size);
  *sup = ref_supcon(*plant, to_ref(s.des, s.size));
  return sup->size() >= 3;
}

}  // namespace

TEST(Supreduce, ExertsTheSameControlWithTheClassesAndBoundOfTheLiteralMethod) {
  scratch_dir dir;
  int cases = 0, merged = 0;
  for (unsigned seed = 1; cases < 60; seed++) {
    ref_des plant, sup;
    if (!random_supervisor(seed, &plant, &sup)) continue;
    cases++;
    std::vector<event_set> dat = ref_condat(plant, sup);
    file("PLANT", plant);
    file("SUP", sup);
    file_control("SUPDAT", dat);
    reduced r = run_supreduce();
    ASSERT_EQ(r.status, SUPRED_DONE) << seed;
    ref_reduction expected = ref_supreduce(plant, sup, dat);
    EXPECT_EQ(expected.status, 0);
    owned_des out;
    from_ref(r.des, &out);
    EXPECT_EQ(diff_des(ref_quotient(sup, expected.rep), out.des, out.size), "") << seed;
    EXPECT_EQ(r.bound, expected.bound) << seed;
    EXPECT_TRUE(same_languages(ref_meet(plant, r.des), ref_meet(plant, sup))) << seed;
    EXPECT_LE(r.des.size(), sup.size());
    EXPECT_LE(r.bound, r.des.size()) << seed;
    EXPECT_FLOAT_EQ(r.ratio, static_cast<float>(sup.size()) / static_cast<float>(r.des.size()));
    merged += r.des.size() < sup.size();
  }
  EXPECT_GT(merged, 20);
}

TEST(Supreduce, MergesEquivalentStatesAndKeepsASupervisorWhereNothingMerges) {
  scratch_dir dir;
  // Plant: 0 -1-> 1 -1-> 2 -1-> 0, all marked. Supervisor the same; no control: one state.
  ref_des ring = {{{{1, 1}}, {{1, 2}}, {{1, 0}}}, {true, true, true}, {0, 0, 0}, {}};
  file("PLANT", ring);
  file("SUP", ring);
  file_control("SUPDAT", {{}, {}, {}});
  reduced r = run_supreduce();
  EXPECT_EQ(r.status, SUPRED_DONE);
  owned_des one;
  from_ref(r.des, &one);
  EXPECT_EQ(diff_des({{{{1, 0}}}, {true}, {0}, {}}, one.des, one.size), "");
  EXPECT_EQ(r.bound, 1);
  EXPECT_FLOAT_EQ(r.ratio, 3.0f);
  std::ifstream in(dir.path + "/RED.des", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes.substr(0, 26), "MURN DES file. Version 1.0");
  EXPECT_EQ(bytes.size(), 96u);  // fixed part, markers, one entry per state, outputs, end block
  // Event 3 disabled at each state the other enables: nothing merges, the file is the same DES.
  ref_des plant = {{{{1, 1}, {3, 1}}, {{1, 0}, {3, 0}}}, {true, false}, {0, 0}, {}};
  ref_des sup = {{{{1, 1}}, {{3, 0}}}, {true, false}, {0, 0}, {}};
  file("PLANT", plant);
  file("SUP", sup);
  file_control("SUPDAT", {{3}, {1}});
  r = run_supreduce();
  EXPECT_EQ(r.status, SUPRED_DONE);
  owned_des same;
  from_ref(r.des, &same);
  EXPECT_EQ(diff_des(sup, same.des, same.size), "");
  EXPECT_EQ(r.bound, 2);
  EXPECT_FLOAT_EQ(r.ratio, 1.0f);
}

TEST(Supreduce, RefusesWhatItCannotReduceFaithfully) {
  scratch_dir dir;
  ref_des plant = {{{{1, 1}}, {{2, 0}}}, {true, false}, {0, 0}, {}};
  ref_des sup = {{{{1, 1}}, {{2, 0}}}, {true, false}, {0, 0}, {}};
  file("PLANT", plant);
  file("SUP", sup);
  file_control("SUPDAT", {{}, {}});
  EXPECT_EQ(run_supreduce().status, SUPRED_DONE);
  std::filesystem::remove(dir.path + "/RED.des");
  // Control data that cannot be read, or of another state count.
  file_control("SUPDAT", {{}, {}, {}});
  EXPECT_EQ(run_supreduce().status, SUPRED_BAD_CONTROL_DATA);
  std::filesystem::remove(dir.path + "/SUPDAT.dat");
  EXPECT_EQ(run_supreduce().status, SUPRED_BAD_CONTROL_DATA);
  file("SUPDAT", {{{}, {}}, {false, false}, {0, 0}, {}}, 0);  // a DES, not control data
  std::filesystem::rename(dir.path + "/SUPDAT.des", dir.path + "/SUPDAT.dat");
  EXPECT_EQ(run_supreduce().status, SUPRED_BAD_CONTROL_DATA);
  EXPECT_FALSE(dir.has("RED.des"));
  file_control("SUPDAT", {{}, {}});
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
  std::filesystem::remove(dir.path + "/SUP.des");
  EXPECT_EQ(run_supreduce().status, SUPRED_SUPERVISOR_UNREADABLE);
  file("PLANT", {});
  EXPECT_EQ(run_supreduce().status, SUPRED_EMPTY);
  std::filesystem::remove(dir.path + "/PLANT.des");
  EXPECT_EQ(run_supreduce().status, SUPRED_PLANT_UNREADABLE);
  EXPECT_FALSE(dir.has("RED.des"));
}

TEST(Supreduce, OutOfMemoryAnywhereStopsWithNoOutputFile) {
  scratch_dir dir;
  ref_des plant, sup;
  unsigned seed = 1;
  while (!random_supervisor(seed, &plant, &sup) || sup.size() < 6) seed++;
  file("PLANT", plant);
  file("SUP", sup);
  file_control("SUPDAT", ref_condat(plant, sup));
  int failures = 0;
  for (long k = 0;; k++) {
    int status = 0;
    int32_t bound;
    float ratio;
    if (!fails_after(k,
                     [&] { status = supreduce("PLANT", "SUP", "SUPDAT", "RED", &bound, &ratio); }))
      break;
    failures++;
    EXPECT_EQ(status, SUPRED_NO_MEMORY) << k;
    EXPECT_FALSE(dir.has("RED.des")) << k;
  }
  EXPECT_GT(failures, 15);
  EXPECT_TRUE(dir.has("RED.des"));
}

// Arbitrary reachable supervisors with arbitrary control data, under a plant that allows every
// event everywhere: the merge tests meet far more kinds of candidate pairs than Supcon gives.
TEST(Supreduce, ArbitrarySupervisorsGetTheClassesAndBoundOfTheLiteralMethod) {
  scratch_dir dir;
  std::mt19937 rng(77);
  const std::vector<event_t> events = {0, 1, 2, 3, 5};
  ref_des plant;
  plant.out.resize(2);
  for (event_t e : events) plant.out[0].push_back({e, 1}), plant.out[1].push_back({e, 0});
  plant.marked = {true, false};
  plant.vocal = {0, 0};
  file("PLANT", plant);
  for (int round = 0; round < 40; round++) {
    ref_des sup;
    state_t n = 6 + static_cast<state_t>(rng() % 20);
    sup.out.resize(static_cast<size_t>(n));
    for (state_t s = 1; s < n; s++)  // a spanning tree first, so that every state is reachable
      sup.out[rng() % static_cast<unsigned>(s)].push_back({events[rng() % 5], s});
    for (state_t s = 0; s < n; s++) {
      for (int k = 0; k < 2; k++)
        sup.out[s].push_back({events[rng() % 5], static_cast<state_t>(rng() % n)});
      std::sort(sup.out[s].begin(), sup.out[s].end());
      for (size_t j = sup.out[s].size(); j-- > 1;)  // keep it deterministic
        if (sup.out[s][j].first == sup.out[s][j - 1].first)
          sup.out[s].erase(sup.out[s].begin() + static_cast<long>(j));
      sup.marked.push_back(rng() % 2);
      sup.vocal.push_back(0);
    }
    if (ref_reach(sup).size() != n) continue;
    std::vector<event_set> dat(static_cast<size_t>(n));
    for (state_t s = 0; s < n; s++)
      for (event_t e : events)
        if (rng() % 4 == 0 && std::none_of(sup.out[s].begin(), sup.out[s].end(),
                                           [e](const auto &t) { return t.first == e; }))
          dat[s].insert(e);
    file("SUP", sup);
    file_control("SUPDAT", dat);
    reduced r = run_supreduce();
    ASSERT_EQ(r.status, SUPRED_DONE);
    ref_reduction expected = ref_supreduce(plant, sup, dat);
    owned_des out;
    from_ref(r.des, &out);
    EXPECT_EQ(diff_des(ref_quotient(sup, expected.rep), out.des, out.size), "") << round;
    EXPECT_EQ(r.bound, expected.bound) << round;
  }
}
