// DES and DAT files: exact layout, round trips, corrupt and truncated files, safe replacement.
#include "model/des_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <random>

#include "model/des_supp.h"
#include "model/model_test_util.h"
#include "model/mymalloc.h"
#include "support/random_des.h"

namespace {

typedef std::vector<std::string> names;
typedef std::vector<unsigned char> bytes;

// Little-endian byte image of a file, built field by field.
struct image {
  bytes data;
  image &i16(int64_t v) {
    data.insert(data.end(), {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)});
    return *this;
  }
  image &i32(int64_t v) { return i16(v & 0xFFFF).i16((v >> 16) & 0xFFFF); }
  image &fixed_part(const std::string &header, int64_t block_length, int64_t size) {
    data.insert(data.end(), header.begin(), header.end());
    return i32(0xFF00AA55).i32(0).i32(block_length).i32(size).i32(0);
  }
  image &end_block() { return i32(-1).i32(8).i32(0).i32(0); }
};
const std::string HEADER = "SARV DES file. Version 1.0\x1AZ8^0L;1";

int32_t word(unsigned event, int target) {
  return make_tran(event, target).word;
}

// A getdes that must fail: the caller's variables keep their values.
void expect_rejected(const char *name) {
  state_node sentinel[1] = {nil_state_node};
  state_t size = 77, init = 0;
  state_node *des = sentinel;
  EXPECT_EQ(getdes(name, &size, &init, &des), 0);
  EXPECT_TRUE(size == 77 && init == 0 && des == sentinel);
}

// Reads `name` back as `kind` (0: DES, -1: DAT) and expects the DES `d`, with `reached` on
// state 0 only and no `coreach`.
void expect_read_back(const char *name, state_t kind, const owned_des &d) {
  owned_des back;
  state_t init = kind;
  ASSERT_EQ(getdes(name, &back.size, &init, &back.des), 1);
  EXPECT_EQ(init, kind);
  EXPECT_EQ(des_check(back.des, back.size), 0);
  EXPECT_EQ(des_difference(d.des, d.size, back.des, back.size), "");
  for (state_t s = 0; s < back.size; s++)
    EXPECT_TRUE(back.des[s].reached == (s == 0) && !back.des[s].coreach) << s;
}

void make_example(owned_des *d) {
  make_des(3, {{0, 1, 1}, {1, 0, 2}}, {2}, d);
  d->des[1].vocal = 12;
}

}  // namespace

TEST(DesFile, ExampleAndEmptyDesAreWrittenByteForByte) {
  scratch_dir dir;
  owned_des d;
  make_example(&d);
  ASSERT_EQ(filedes("ex", d.size, 0, d.des), 0);
  ASSERT_EQ(filedes("empty", 0, 0, nullptr), 0);
  image ex, empty;
  ex.fixed_part(HEADER, 50, 3).i32(2).i32(-1);                             // markers
  ex.i32(0).i16(1).i32(0x00400001).i32(1).i16(1).i32(0x00000002).i32(-1);  // transitions
  ex.i32(1).i16(12).i32(-1).end_block();                                   // outputs
  empty.fixed_part(HEADER, 20, 0).i32(-1).i32(-1).i32(-1).end_block();
  EXPECT_EQ(ex.data.size(), 112u);
  EXPECT_EQ(read_bytes(dir.file("ex.des")), ex.data);
  EXPECT_EQ(read_bytes(dir.file("empty.des")), empty.data);
}

// DAT files (control data) are written for initial-state field -1 and are not read as DES.
TEST(DesFile, RandomDesAndDatRoundTrip) {
  scratch_dir dir;
  std::mt19937 rng(20261207);
  for (int round = 0; round < 60; round++) {
    SCOPED_TRACE(round);
    random_des_options o;
    o.states = round == 0 ? 0 : 1 + static_cast<state_t>(rng() % 300);
    o.events = {0, 1, 2, 3, 500, 998, 999};
    o.max_out = static_cast<int>(rng() % 25);
    o.deterministic = round % 2 == 0;
    o.vocal = round % 3 != 0;
    owned_des d;
    if (o.states > 0) make_random_des(rng, o, &d);
    for (state_t s = 0; s < d.size; s++) d.des[s].reached = d.des[s].coreach = 1;
    if (round % 4 == 1) d.des[d.size - 1].vocal = 991;  // coded outputs beyond 99
    state_t kind = round % 3 == 2 ? -1 : 0;
    std::string file = kind ? "rnd.dat" : "rnd.des";
    ASSERT_EQ(filedes("rnd", d.size, kind, d.des), 0);
    EXPECT_EQ(dir.listing(), names{file});
    if (kind) expect_rejected("rnd");
    expect_read_back("rnd", kind, d);
    std::filesystem::remove(dir.file(file));
  }
  owned_des big;  // one transition array larger than the stream buffer
  big.des = newdes(big.size = 40);
  big.des[7].next = static_cast<tran_entry *>(malloc(40000 * sizeof(tran_entry)));
  for (event_t e = 0; e <= MAX_EVENT; e++)
    for (state_t t = 0; t < 40; t++) big.des[7].next[big.des[7].numelts++] = make_tran(e, t);
  ASSERT_EQ(filedes("big", big.size, 0, big.des), 0);
  expect_read_back("big", 0, big);
}

// Every truncation before the end block (which is never read), a changed signature and any state
// number, target or event out of range is rejected; another writer's style is accepted.
TEST(DesFile, TruncatedAndCorruptFilesAreRejected) {
  scratch_dir dir;
  owned_des d;
  make_example(&d);
  ASSERT_EQ(filedes("t", d.size, 0, d.des), 0);
  const bytes good = read_bytes(dir.file("t.des"));
  for (size_t len = 0; len < good.size(); len++) {
    SCOPED_TRACE(len);
    write_bytes(dir.file("t.des"), bytes(good.begin(), good.begin() + len));
    if (len < good.size() - 16) expect_rejected("t");
    if (len >= good.size() - 16) expect_read_back("t", 0, d);
  }
  // Fields of the example file: 26 end of text, 27.. signature, 34 byte order, 46 state count,
  // 54 marker, 62 and 72 transition states, 68 transition, 86 vocal state, 90 output.
  const std::vector<std::pair<size_t, int64_t>> patches = {{26, 0x0A},
                                                           {27, 0x5A},
                                                           {30, 0x4C},
                                                           {34, 0x55AA},
                                                           {46, -5},
                                                           {46, MAX_STATES + 1},
                                                           {46, 0x7FFFFFFF},
                                                           {46, 0},
                                                           {54, 3},
                                                           {54, -2},
                                                           {62, 3},
                                                           {72, 0},
                                                           {68, word(1, 3)},
                                                           {68, word(1, -1)},
                                                           {68, word(1000, 1)},
                                                           {68, word(1023, 1)},
                                                           {86, 3},
                                                           {90, -12}};
  for (auto &p : patches) {
    SCOPED_TRACE(p.first);
    image bad{good};
    for (int k = 0; k < 4; k++)
      bad.data[p.first + k] = static_cast<unsigned char>(p.second >> 8 * k);
    write_bytes(dir.file("t.des"), bad.data);
    expect_rejected("t");
  }
  image other;  // longer header, entries for states without transitions
  other.fixed_part("MURN DES file. Version 1.0 and more\x1AZ8^0L;1", 0, 3).i32(2).i32(-1);
  other.i32(0).i16(0).i32(1).i16(1).i32(0x00400001).i32(2).i16(0).i32(-1);
  write_bytes(dir.file("other.des"), other.i32(-1).end_block().data);
  owned_des expected;
  make_des(3, {{1, 1, 1}}, {2}, &expected);
  expect_read_back("other", 0, expected);
  expect_rejected("missing");
}

TEST(DesFile, RandomByteChangesAreRejectedOrReadAsAWellFormedDes) {
  scratch_dir dir;
  std::mt19937 rng(99);
  random_des_options o;
  o.states = 20;
  o.vocal = true;
  o.events = {0, 1, 2, 3, 998, 999};
  owned_des d;
  make_random_des(rng, o, &d);
  ASSERT_EQ(filedes("f", d.size, 0, d.des), 0);
  const bytes good = read_bytes(dir.file("f.des"));
  int accepted = 0;
  for (int trial = 0; trial < 1000; trial++) {
    bytes bad = good;
    for (int k = rng() % 3; k >= 0; k--)
      bad[rng() % bad.size()] = static_cast<unsigned char>(rng());
    write_bytes(dir.file("f.des"), bad);
    owned_des back;
    state_t init = 0;
    if (!getdes("f", &back.size, &init, &back.des)) continue;
    accepted++;
    ASSERT_EQ(des_check(back.des, back.size), 0) << "trial " << trial;
  }
  EXPECT_GT(accepted, 0);  // changes to the header text or the block length are harmless
}

TEST(DesFile, AllocationFailureAtEveryStepIsReportedAndLeaksNothing) {
  scratch_dir dir;
  owned_des d;
  make_des(5, {{0, 1, 1}, {1, 2, 2}, {3, 5, 4}, {4, 7, 0}}, {4}, &d);
  ASSERT_EQ(filedes("m", d.size, 0, d.des), 0);
  for (long n = 0;; n++) {
    SCOPED_TRACE(n);
    owned_des back;
    state_t init = 0;
    mem_result = 0;
    fail_allocation_after(n);
    int ok = getdes("m", &back.size, &init, &back.des);
    fail_allocation_after(-1);
    EXPECT_EQ(mem_result, ok ? 0 : 1);
    if (ok) break;
    EXPECT_EQ(back.des, nullptr);
    EXPECT_LT(n, 5);  // the state array and four transition arrays
  }
  mem_result = 0;
}

// New files follow the umask, replaced ones keep their mode; a write that fails part way (a file
// size limit stands in for a full disk) keeps the old file and leaves no temporary.
TEST(DesFile, ReplacementKeepsTheModeAndFailedWritesKeepTheOldFile) {
  scratch_dir dir;
  owned_des small, large;
  make_example(&small);
  std::mt19937 rng(3);
  random_des_options o;
  o.states = 5000;
  make_random_des(rng, o, &large);
  std::string path = dir.file("keep.des");
  struct stat st;
  mode_t saved_mask = umask(022);
  ASSERT_EQ(filedes("keep", small.size, 0, small.des), 0);
  umask(saved_mask);
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  const bytes before = read_bytes(path);
  struct rlimit saved, limited;
  getrlimit(RLIMIT_FSIZE, &saved);
  limited = saved;
  limited.rlim_cur = 4096;
  auto old_handler = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  EXPECT_EQ(filedes("keep", large.size, 0, large.des), 1);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, old_handler);
  EXPECT_EQ(read_bytes(path), before);
  EXPECT_EQ(dir.listing(), names{"keep.des"});
  ASSERT_EQ(filedes("keep", large.size, 0, large.des), 0);
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

// A directory in the way, a missing directory and a path beyond MAX_DES_PATH characters (refused,
// not truncated) are reported; nothing is created or removed.
TEST(DesFile, UncreatableTargetsAreReportedAndLeftAlone) {
  scratch_dir dir;
  std::filesystem::create_directories(dir.file("clash.des/inner"));
  owned_des d;
  make_example(&d);
  size_t room = MAX_DES_PATH - strlen(prefix) - 4;  // ".des" and ".dat" alike
  std::string fits(room, 'a'), too_long(room + 1, 'a');
  ASSERT_EQ(filedes(fits.c_str(), d.size, 0, d.des), 0);
  ASSERT_EQ(filedes(fits.c_str(), d.size, -1, d.des), 0);
  expect_read_back(fits.c_str(), 0, d);
  for (const std::string &name : {std::string("clash"), std::string("nodir/x"), too_long}) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(filedes(name.c_str(), d.size, 0, d.des), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Could not create file: " + dir.file(name + ".des") + "\n");
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("clash.des/inner")));
  EXPECT_EQ(dir.listing(), (names{fits + ".dat", fits + ".des", "clash.des"}));
  expect_rejected("clash");
  expect_rejected(too_long.c_str());
}
