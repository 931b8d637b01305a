// DES and DAT files: exact layout, round trips, corrupt and truncated files, safe replacement.
#include "model/des_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <random>
#include <string>
#include <vector>

#include "model/des_supp.h"
#include "model/model_test_util.h"
#include "model/mymalloc.h"
#include "support/random_des.h"

namespace {

// Little-endian byte image of a file, built field by field.
struct image {
  std::vector<unsigned char> bytes;

  image &text(const std::string &s) {
    bytes.insert(bytes.end(), s.begin(), s.end());
    return *this;
  }
  image &u8(unsigned v) {
    bytes.push_back(static_cast<unsigned char>(v));
    return *this;
  }
  image &i16(int v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
  image &i32(int64_t v) {
    uint32_t w = static_cast<uint32_t>(v);
    return u8(w & 0xFF).u8((w >> 8) & 0xFF).u8((w >> 16) & 0xFF).u8(w >> 24);
  }
  // Everything up to and including the initial-state field; the block length is not checked by
  // the reader, so any value will do here.
  image &fixed_part(int64_t size, int64_t init,
                    const std::string &header = "SARV DES file. Version 1.0") {
    return text(header).u8(0x1A).text("Z8^0L;1").i32(0xFF00AA55).i32(0).i32(0).i32(size).i32(init);
  }
  image &end_block() { return i32(-1).i32(8).i32(0).i32(0); }
};

uint32_t word(unsigned event, int target) {
  return make_tran(event, target).word;
}

// A getdes that must fail: the caller's variables keep their values.
void expect_rejected(const char *name, state_t init_kind = 0) {
  state_node sentinel[1] = {nil_state_node};
  state_t size = 77, init = init_kind;
  state_node *des = sentinel;
  EXPECT_EQ(getdes(name, &size, &init, &des), 0);
  EXPECT_EQ(size, 77);
  EXPECT_EQ(init, init_kind);
  EXPECT_EQ(des, sentinel);
}

void read_back(const char *name, state_t init_kind, owned_des *out, state_t *init) {
  *init = init_kind;
  ASSERT_EQ(getdes(name, &out->size, init, &out->des), 1);
  ASSERT_EQ(des_check(out->des, out->size), 0);
}

void make_example(owned_des *d) {
  make_des(3, {{0, 1, 1}, {1, 0, 2}}, {2}, d);
  d->des[1].vocal = 12;
}

}  // namespace

TEST(DesFileLayout, ThreeStateExampleIsWrittenByteForByte) {
  scratch_dir dir;
  owned_des d;
  make_example(&d);
  ASSERT_EQ(filedes("ex", d.size, 0, d.des), 0);

  image expected;
  expected.text("SARV DES file. Version 1.0").u8(0x1A).text("Z8^0L;1");
  expected.u8(0x55).u8(0xAA).u8(0x00).u8(0xFF).i32(0).i32(50).i32(3).i32(0);
  expected.i32(2).i32(-1);
  expected.i32(0).i16(1).u8(0x01).u8(0x00).u8(0x40).u8(0x00);
  expected.i32(1).i16(1).u8(0x02).u8(0x00).u8(0x00).u8(0x00).i32(-1);
  expected.i32(1).i16(12).i32(-1);
  expected.end_block();
  ASSERT_EQ(expected.bytes.size(), 112u);
  EXPECT_EQ(read_bytes(dir.file("ex.des")), expected.bytes);
}

TEST(DesFileLayout, EmptyDesIsFixedPartTerminatorsAndEndBlock) {
  scratch_dir dir;
  ASSERT_EQ(filedes("empty", 0, 0, nullptr), 0);
  image expected;
  expected.text("SARV DES file. Version 1.0").u8(0x1A).text("Z8^0L;1").i32(0xFF00AA55);
  expected.i32(0).i32(20).i32(0).i32(0).i32(-1).i32(-1).i32(-1).end_block();
  EXPECT_EQ(read_bytes(dir.file("empty.des")), expected.bytes);
  EXPECT_EQ(expected.bytes.size(), 82u);

  owned_des back;
  state_t init;
  read_back("empty", 0, &back, &init);
  EXPECT_EQ(back.size, 0);
  EXPECT_EQ(back.des, nullptr);
}

TEST(DesFileLayout, ReaderAcceptsAnyHeaderTextAndEntriesWithoutTransitions) {
  scratch_dir dir;
  // The supervisor-reduction writer's style: another header, an entry for every state.
  image file;
  file.fixed_part(3, 0, "MURN DES file. Version 1.0 with some more words");
  file.i32(0).i32(-1);
  file.i32(0).i16(0).i32(1).i16(1).i32(word(3, 0)).i32(2).i16(0).i32(-1);
  file.i32(-1).end_block();
  write_bytes(dir.file("other.des"), file.bytes);

  owned_des d;
  state_t init;
  read_back("other", 0, &d, &init);
  ASSERT_EQ(d.size, 3);
  EXPECT_EQ(d.des[0].numelts, 0);
  EXPECT_EQ(d.des[0].next, nullptr);
  ASSERT_EQ(d.des[1].numelts, 1);
  EXPECT_EQ(d.des[1].next[0].event(), 3);
  EXPECT_TRUE(d.des[0].marked);
}

TEST(DesFileRead, OnlyInitialStateIsReachedAndNothingCoreachable) {
  scratch_dir dir;
  owned_des d;
  make_example(&d);
  for (state_t s = 0; s < d.size; s++) d.des[s].reached = d.des[s].coreach = 1;
  ASSERT_EQ(filedes("flags", d.size, 0, d.des), 0);

  owned_des back;
  state_t init;
  read_back("flags", 0, &back, &init);
  EXPECT_EQ(init, 0);
  for (state_t s = 0; s < back.size; s++) {
    EXPECT_EQ(back.des[s].reached, s == 0 ? 1 : 0) << s;
    EXPECT_EQ(back.des[s].coreach, 0) << s;
  }
  EXPECT_EQ(des_difference(d.des, d.size, back.des, back.size), "");
}

TEST(DesFileRoundTrip, RandomDesReadBackUnchanged) {
  scratch_dir dir;
  std::mt19937 rng(20261207);
  for (int round = 0; round < 60; round++) {
    random_des_options options;
    options.states = 1 + static_cast<state_t>(rng() % 300);
    options.events.clear();
    for (int k = 0; k < 1 + static_cast<int>(rng() % 40); k++)
      options.events.push_back(rng() % 1000);
    options.max_out = static_cast<int>(rng() % 25);
    options.deterministic = round % 2 == 0;
    options.vocal = round % 3 != 0;
    options.marked_fraction = (round % 5) / 4.0;
    owned_des d;
    make_random_des(rng, options, &d);
    if (round % 4 == 1) d.des[d.size - 1].vocal = 991;

    ASSERT_EQ(filedes("rnd", d.size, 0, d.des), 0);
    owned_des back;
    state_t init;
    read_back("rnd", 0, &back, &init);
    ASSERT_EQ(des_difference(d.des, d.size, back.des, back.size), "") << "round " << round;
  }
}

TEST(DesFileRoundTrip, TransitionArrayLargerThanTheStreamBuffer) {
  scratch_dir dir;
  owned_des d;
  d.size = 40;
  d.des = newdes(d.size);
  d.des[7].next = static_cast<tran_entry *>(malloc(40000 * sizeof(tran_entry)));
  for (event_t e = 0; e <= MAX_EVENT; e++)
    for (state_t t = 0; t < 40; t++) d.des[7].next[d.des[7].numelts++] = make_tran(e, t);
  ASSERT_EQ(d.des[7].numelts, 40000);
  ASSERT_EQ(filedes("big", d.size, 0, d.des), 0);
  owned_des back;
  state_t init;
  read_back("big", 0, &back, &init);
  EXPECT_EQ(des_difference(d.des, d.size, back.des, back.size), "");
}

TEST(DesFileRoundTrip, ControlDataLiveInDatFilesOnly) {
  scratch_dir dir;
  owned_des d;
  make_des(4, {{0, 1, 0}, {0, 3, 0}, {2, 11, 0}}, {}, &d);
  ASSERT_EQ(filedes("sup", d.size, -1, d.des), 0);
  EXPECT_EQ(dir.listing(), std::vector<std::string>{"sup.dat"});

  expect_rejected("sup", 0);
  owned_des back;
  state_t init;
  read_back("sup", -1, &back, &init);
  EXPECT_EQ(init, -1);
  EXPECT_EQ(des_difference(d.des, d.size, back.des, back.size), "");
}

TEST(DesFileCorrupt, AlteredSignatureIsRejectedWithoutTouchingTheCaller) {
  scratch_dir dir;
  owned_des d;
  make_example(&d);
  ASSERT_EQ(filedes("ex", d.size, 0, d.des), 0);
  std::vector<unsigned char> good = read_bytes(dir.file("ex.des"));
  // Signature bytes, byte-order mark, block type.
  for (size_t at : {27u, 30u, 33u, 34u, 37u, 38u}) {
    std::vector<unsigned char> bad = good;
    bad[at] ^= 0x10;
    write_bytes(dir.file("ex.des"), bad);
    SCOPED_TRACE(at);
    expect_rejected("ex");
  }
  std::vector<unsigned char> no_eot = good;
  no_eot[26] = ' ';
  write_bytes(dir.file("ex.des"), no_eot);
  expect_rejected("ex");
  expect_rejected("missing");
}

TEST(DesFileCorrupt, EveryTruncationBeforeTheEndBlockIsRejected) {
  scratch_dir dir;
  std::mt19937 rng(7);
  random_des_options options;
  options.states = 12;
  options.vocal = true;
  options.marked_fraction = 0.5;
  owned_des d;
  make_random_des(rng, options, &d);
  d.des[11].vocal = 40;
  ASSERT_EQ(filedes("t", d.size, 0, d.des), 0);
  std::vector<unsigned char> good = read_bytes(dir.file("t.des"));

  for (size_t len = 0; len < good.size(); len++) {
    write_bytes(dir.file("t.des"), std::vector<unsigned char>(good.begin(), good.begin() + len));
    SCOPED_TRACE(len);
    if (len < good.size() - 16) {
      expect_rejected("t");
    } else {  // only the end block is missing: the reader never looks at it
      owned_des back;
      state_t init;
      read_back("t", 0, &back, &init);
      EXPECT_EQ(des_difference(d.des, d.size, back.des, back.size), "");
    }
  }
}

TEST(DesFileCorrupt, StateNumbersAndTransitionsOutsideTheDesAreRejected) {
  scratch_dir dir;
  struct corrupt_case {
    const char *what;
    image file;
  };
  auto body = [](int64_t size) { return image().fixed_part(size, 0); };
  std::vector<corrupt_case> cases = {
      {"marker at size", body(3).i32(3).i32(-1).i32(-1).i32(-1)},
      {"negative marker", body(3).i32(-2).i32(-1).i32(-1).i32(-1)},
      {"marker in empty DES", body(0).i32(0).i32(-1).i32(-1).i32(-1)},
      {"transition state at size", body(3).i32(-1).i32(3).i16(1).i32(word(1, 0)).i32(-1).i32(-1)},
      {"transition state in empty DES",
       body(0).i32(-1).i32(0).i16(1).i32(word(1, 0)).i32(-1).i32(-1)},
      {"target at size", body(3).i32(-1).i32(0).i16(1).i32(word(1, 3)).i32(-1).i32(-1)},
      {"negative target", body(3).i32(-1).i32(0).i16(1).i32(word(1, -1)).i32(-1).i32(-1)},
      {"event 1000", body(3).i32(-1).i32(0).i16(1).i32(word(1000, 1)).i32(-1).i32(-1)},
      {"null event mark", body(3).i32(-1).i32(0).i16(1).i32(word(1023, 1)).i32(-1).i32(-1)},
      {"unsorted array",
       body(3).i32(-1).i32(0).i16(2).i32(word(4, 0)).i32(word(2, 0)).i32(-1).i32(-1)},
      {"duplicate transition",
       body(3).i32(-1).i32(0).i16(2).i32(word(2, 1)).i32(word(2, 1)).i32(-1).i32(-1)},
      {"state listed twice",
       body(3).i32(-1).i32(1).i16(1).i32(word(2, 1)).i32(1).i16(1).i32(word(4, 1)).i32(-1).i32(-1)},
      {"states out of order",
       body(3).i32(-1).i32(2).i16(1).i32(word(2, 1)).i32(1).i16(1).i32(word(4, 1)).i32(-1).i32(-1)},
      {"vocal state at size", body(3).i32(-1).i32(-1).i32(3).i16(12).i32(-1)},
      {"negative output", body(3).i32(-1).i32(-1).i32(1).i16(-12).i32(-1)},
      {"negative size", body(-5).i32(-1).i32(-1).i32(-1)},
      {"size beyond the target field", body(MAX_STATES + 1).i32(-1).i32(-1).i32(-1)},
      {"size far beyond memory", body(0x7FFFFFFF).i32(-1).i32(-1).i32(-1)},
  };
  for (corrupt_case &c : cases) {
    SCOPED_TRACE(c.what);
    write_bytes(dir.file("bad.des"), c.file.end_block().bytes);
    expect_rejected("bad");
  }
}

TEST(DesFileCorrupt, RandomByteFlipsAreRejectedOrReadAsAWellFormedDes) {
  scratch_dir dir;
  std::mt19937 rng(99);
  random_des_options options;
  options.states = 20;
  options.vocal = true;
  options.events = {0, 1, 2, 3, 998, 999};
  owned_des d;
  make_random_des(rng, options, &d);
  ASSERT_EQ(filedes("f", d.size, 0, d.des), 0);
  std::vector<unsigned char> good = read_bytes(dir.file("f.des"));

  int accepted = 0;
  for (int trial = 0; trial < 1000; trial++) {
    std::vector<unsigned char> bad = good;
    int flips = 1 + static_cast<int>(rng() % 3);
    for (int k = 0; k < flips; k++) bad[rng() % bad.size()] = static_cast<unsigned char>(rng());
    write_bytes(dir.file("f.des"), bad);
    owned_des back;
    state_t init = 0;
    if (getdes("f", &back.size, &init, &back.des)) {
      accepted++;
      ASSERT_EQ(des_check(back.des, back.size), 0) << "trial " << trial;
    }
  }
  EXPECT_GT(accepted, 0);  // flips in the header text or the block length are harmless
}

TEST(DesFileCorrupt, AllocationFailureAtEveryStepIsReportedAndLeaksNothing) {
  scratch_dir dir;
  owned_des d;
  make_des(5, {{0, 1, 1}, {1, 2, 2}, {3, 5, 4}, {4, 7, 0}}, {4}, &d);
  ASSERT_EQ(filedes("m", d.size, 0, d.des), 0);
  for (long n = 0;; n++) {
    mem_result = 0;
    fail_allocation_after(n);
    state_node *des = nullptr;
    state_t size = 0, init = 0;
    int ok = getdes("m", &size, &init, &des);
    fail_allocation_after(-1);
    if (ok) {
      EXPECT_EQ(mem_result, 0);
      EXPECT_GT(n, 3);  // the state array and three transition arrays
      freedes(size, &des);
      break;
    }
    EXPECT_EQ(mem_result, 1) << n;
    EXPECT_EQ(des, nullptr);
  }
  mem_result = 0;
}

TEST(DesFileWrite, FailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
  scratch_dir dir;
  owned_des small;
  make_example(&small);
  ASSERT_EQ(filedes("keep", small.size, 0, small.des), 0);
  std::vector<unsigned char> before = read_bytes(dir.file("keep.des"));

  std::mt19937 rng(3);
  random_des_options options;
  options.states = 5000;
  options.max_out = 8;
  owned_des large;
  make_random_des(rng, options, &large);

  // A file size limit makes the write fail part way, as a full disk would.
  struct rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  struct rlimit limited = saved;
  limited.rlim_cur = 4096;
  auto old_handler = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  int result = filedes("keep", large.size, 0, large.des);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, old_handler);

  EXPECT_EQ(result, 1);
  EXPECT_EQ(read_bytes(dir.file("keep.des")), before);
  EXPECT_EQ(dir.listing(), std::vector<std::string>{"keep.des"});
}

TEST(DesFileWrite, TargetThatIsADirectoryIsReportedAndLeftAlone) {
  scratch_dir dir;
  std::filesystem::create_directory(dir.file("clash.des"));
  std::filesystem::create_directory(dir.file("clash.des/inner"));
  owned_des d;
  make_example(&d);
  testing::internal::CaptureStdout();
  EXPECT_EQ(filedes("clash", d.size, 0, d.des), 1);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "Could not create file: " + dir.file("clash.des") + "\n");
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("clash.des/inner")));
  EXPECT_EQ(dir.listing(), std::vector<std::string>{"clash.des"});
  expect_rejected("clash");
}

TEST(DesFileWrite, MissingDirectoryPrintsCouldNotCreate) {
  scratch_dir dir;
  owned_des d;
  make_example(&d);
  testing::internal::CaptureStdout();
  EXPECT_EQ(filedes("nodir/x", d.size, 0, d.des), 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Could not create file: " + dir.file("nodir/x.des") + "\n");
}

TEST(DesFileWrite, PathsOfMoreThanEightyCharactersAreRefusedNotTruncated) {
  scratch_dir dir;
  owned_des d;
  make_example(&d);
  size_t room = MAX_DES_PATH - strlen(prefix) - 4;  // ".des"
  std::string fits(room, 'a'), too_long(room + 1, 'a');

  ASSERT_EQ(filedes(fits.c_str(), d.size, 0, d.des), 0);
  owned_des back;
  state_t init;
  read_back(fits.c_str(), 0, &back, &init);

  testing::internal::CaptureStdout();
  EXPECT_EQ(filedes(too_long.c_str(), d.size, 0, d.des), 1);
  EXPECT_NE(testing::internal::GetCapturedStdout().find("Could not create file: "),
            std::string::npos);
  EXPECT_EQ(dir.listing(), std::vector<std::string>{fits + ".des"});
  expect_rejected(too_long.c_str());
  ASSERT_EQ(filedes(fits.c_str(), d.size, -1, d.des), 0);  // ".dat" is as long as ".des"
}

TEST(DesFileWrite, NewFilesFollowTheUmaskAndReplacedFilesKeepTheirMode) {
  scratch_dir dir;
  owned_des d;
  make_example(&d);
  mode_t saved = umask(022);
  ASSERT_EQ(filedes("perm", d.size, 0, d.des), 0);
  umask(saved);
  struct stat st;
  ASSERT_EQ(stat(dir.file("perm.des").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);

  ASSERT_EQ(chmod(dir.file("perm.des").c_str(), 0640), 0);
  ASSERT_EQ(filedes("perm", d.size, 0, d.des), 0);
  ASSERT_EQ(stat(dir.file("perm.des").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}
