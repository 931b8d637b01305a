// DES and DAT files: exact layout, round trips, corrupt and truncated files, safe replacement.
#include "model/des_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>

#include <utility>

#include "model/model_test_util.h"
#include "model/mymalloc.h"

namespace {

typedef std::set<std::string> names;

// The signature text, then the bytes given in hexadecimal (blanks ignored).
std::string file_image(const std::string &hex) {
  std::string out = "SARV DES file. Version 1.0\x1AZ8^0L;1";
  for (size_t i = hex.find_first_not_of(' '); i < hex.size(); i = hex.find_first_not_of(' ', i + 2))
    out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

// A getdes that must fail: the caller's variables keep their values.
void expect_rejected(const char *name) {
  state_node sentinel[1] = {nil_state_node};
  state_t size = 77, init = 0;
  state_node *des = sentinel;
  EXPECT_EQ(getdes(name, &size, &init, &des), 0);
  EXPECT_TRUE(size == 77 && init == 0 && des == sentinel);
}

// Reads `name` as `kind` (0: DES, -1: DAT): `d`, `reached` on state 0 only, no `coreach`.
void expect_read_back(const char *name, state_t kind, const owned_des &d) {
  owned_des back;
  state_t init = kind;
  ASSERT_EQ(getdes(name, &back.size, &init, &back.des), 1);
  EXPECT_EQ(init, kind);
  EXPECT_EQ(des_check(back.des, back.size), 0);
  EXPECT_EQ(des_text(back), des_text(d));
  for (state_t s = 0; s < back.size; s++)
    EXPECT_TRUE(back.des[s].reached == (s == 0) && !back.des[s].coreach) << s;
}

void make_example(owned_des *d) {
  make_des(3, {{0, 1, 1}, {0, 3, 2}, {1, 0, 2}}, {2}, d);
  d->des[1].vocal = 12;
}

}  // namespace

// Fields of the example: byte order mark, block type, block length, state count, initial state;
// markers; (state, count, transitions); (state, output); end block. Words are little-endian.
TEST(DesFile, ExampleIsWrittenByteForByteAndRandomDesAndDatRoundTrip) {
  scratch_dir dir;
  owned_des ex;
  make_example(&ex);
  ASSERT_EQ(filedes("ex", ex.size, 0, ex.des), 0);
  EXPECT_EQ(read_bytes(dir.file("ex.des")),
            file_image("55AA00FF 00000000 36000000 03000000 00000000  02000000 FFFFFFFF"
                       "  00000000 0200 01004000 0200C000 01000000 0100 02000000 FFFFFFFF"
                       "  01000000 0C00 FFFFFFFF  FFFFFFFF 08000000 00000000 00000000"));
  std::filesystem::remove(dir.file("ex.des"));
  std::mt19937 rng(20261207);
  for (int round = 0; round < 60; round++) {
    SCOPED_TRACE(round);
    owned_des d;
    random_des(rng, round == 0 ? 0 : draw<state_t>(rng, 1, 300), draw<int>(rng, 0, 24),
               round % 2 == 0, &d);
    if (round % 4 == 1) d.des[d.size - 1].vocal = 991;  // coded outputs beyond 99
    state_t kind = round % 3 == 2 ? -1 : 0;             // DAT files hold control data
    ASSERT_EQ(filedes("rnd", d.size, kind, d.des), 0);
    EXPECT_EQ(dir.listing(), names{kind ? "rnd.dat" : "rnd.des"});
    if (kind) expect_rejected("rnd");
    expect_read_back("rnd", kind, d);
    std::filesystem::remove(dir.file(kind ? "rnd.dat" : "rnd.des"));
  }
  owned_des big;  // one transition array larger than the stream buffer
  big.des = newdes(big.size = 40);
  big.des[7].next = static_cast<tran_entry *>(malloc(40000 * sizeof(tran_entry)));
  for (event_t e = 0; e <= MAX_EVENT; e++)
    for (state_t t = 0; t < 40; t++) big.des[7].next[big.des[7].numelts++] = make_tran(e, t);
  ASSERT_EQ(filedes("big", big.size, 0, big.des), 0);
  expect_read_back("big", 0, big);
}

// Truncations before the end block (never read), a changed signature, numbers out of range, a
// transition out of order and allocation failures are rejected. (Arbitrary bytes: the fuzz target.)
TEST(DesFile, TruncatedAndCorruptFilesAreRejected) {
  scratch_dir dir;
  owned_des d;
  make_example(&d);
  ASSERT_EQ(filedes("t", d.size, 0, d.des), 0);
  const std::string good = read_bytes(dir.file("t.des"));
  for (size_t len = 0; len < good.size(); len++) {
    SCOPED_TRACE(len);
    write_bytes(dir.file("t.des"), good.substr(0, len));
    if (len < good.size() - 16)
      expect_rejected("t");
    else
      expect_read_back("t", 0, d);
  }
  // Offset and value (a byte below 34, a word above): 26 end of text, 27 and 33 signature, 34 byte
  // order, 38 block type, 46 size, 54 marker, 62 and 76 states, 68 and 72 transitions (72: out of
  // order), 90 and 94 output.
  // clang-format off
  const std::vector<std::pair<size_t, int64_t>> patches = {
      {26, 0x0A}, {27, 0x5B}, {33, 0x32}, {34, 0x55AB}, {38, 1}, {46, -5}, {46, MAX_STATES + 1},
      {46, 0x7FFFFFFF}, {54, 3}, {54, -2}, {62, 3}, {76, 0}, {90, 3}, {94, -12},
      {68, make_tran(1, 3).word}, {68, make_tran(1, -1).word}, {68, make_tran(1000, 1).word},
      {68, make_tran(1023, 1).word}, {72, make_tran(1, 1).word}};
  // clang-format on
  for (auto &p : patches) {
    SCOPED_TRACE(testing::Message() << p.first << ": " << p.second);
    std::string bad = good;
    for (size_t k = 0; k < (p.first < 34 ? 1 : 4); k++)
      bad[p.first + k] = static_cast<char>(p.second >> 8 * k);
    write_bytes(dir.file("t.des"), bad);
    expect_rejected("t");
  }
  write_bytes(dir.file("t.des"), good);
  for (long n = 0; n < 3; n++) {  // the state array and two transition arrays
    fail_allocation_after(n);
    expect_rejected("t");
    fail_allocation_after(-1);
    EXPECT_EQ(std::exchange(mem_result, 0), 1) << n;
  }
}

// A directory in the way, a name with "/" and a path beyond MAX_DES_PATH characters (refused,
// not truncated) are reported. A write that fails part way (a file size limit stands in for a
// full disk) keeps the old file. Nothing is created or removed.
TEST(DesFile, FailedWritesAreReportedAndLeaveTheDirectoryAlone) {
  scratch_dir dir;
  std::filesystem::create_directories(dir.file("clash.des/inner"));
  std::filesystem::create_directories(dir.file("u"));
  std::mt19937 rng(3);
  owned_des d, large;
  make_example(&d);
  random_des(rng, 5000, 3, true, &large);
  size_t room = MAX_DES_PATH - strlen(prefix) - 4;      // ".des" and ".dat" alike
  std::string fits(244, 'a'), too_long(room + 1, 'a');  // fits: its temporary name has 255
  ASSERT_EQ(filedes(fits.c_str(), d.size, 0, d.des), 0);
  ASSERT_EQ(filedes(fits.c_str(), d.size, -1, d.des), 0);
  for (const std::string &name : {std::string("clash"), std::string("u/x"), too_long}) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(filedes(name.c_str(), d.size, 0, d.des), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");  // the caller tells the user
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("clash.des/inner")));
  EXPECT_EQ(
      under_file_size_limit(4096, [&] { return filedes(fits.c_str(), large.size, 0, large.des); }),
      1);
  expect_read_back(fits.c_str(), 0, d);
  EXPECT_EQ(dir.listing(), (names{fits + ".dat", fits + ".des", "clash.des", "u"}));
  expect_rejected(too_long.c_str());
}

// Only this program's temporary files of writers that died are swept; one a live writer holds
// locked stays, and so do user files that merely look temporary, other patterns and directories.
TEST(DesFile, StaleTemporaryFilesAreSwept) {
  scratch_dir dir;
  const names kept = {"A.des.x1Y2z3",         "A.des.backup",           "A.des.2024v1",
                      ".sarv-tmp-abc.des",    ".sarv-tmp-abcdefg.des",  ".sarv-tmp-abcdef.ads",
                      ".sarv-tmp-ab-def.des", ".sarv-tmp-abcdef.des.x", "sarv-tmp-abcdef.des"};
  for (const std::string &n : kept) write_bytes(dir.file(n), "x");
  for (const char *n : {".sarv-tmp-x1Y2z3.des", ".sarv-tmp-000000.dat", ".sarv-tmp-abcdef.tmp",
                        ".sarv-tmp-HELD00.des"})
    write_bytes(dir.file(n), "x");
  std::filesystem::create_directory(dir.file(".sarv-tmp-dir123.des"));
  int held = open(dir.file(".sarv-tmp-HELD00.des").c_str(), O_RDONLY);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  EXPECT_EQ(remove_stale_temp_files(dir.path.c_str()), 3);
  names left = kept;
  left.insert({".sarv-tmp-HELD00.des", ".sarv-tmp-dir123.des"});
  EXPECT_EQ(dir.listing(), left);
  close(held);
  EXPECT_EQ(remove_stale_temp_files(dir.path.c_str()), 1);
}
