// ADS text: templates, descriptions of DES, the reader's error records in both modes, and
// DES -> ADS -> DES round trips.
#include "model/ads2des.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

#include "model/model_test_util.h"
#include "model/mymalloc.h"
#include "support/random_des.h"

namespace {

typedef std::array<int32_t, 3> record;  // code, line, earlier line
typedef std::vector<std::string> lines;

void write_lines(const std::string &path, const lines &text) {
  std::string joined;
  for (const std::string &line : text) joined += line + "\n";
  write_bytes(path, joined);
}

lines with_head(const lines &rest) {
  lines all = {"T", "State size", "3", "Marker states:"};
  all.insert(all.end(), rest.begin(), rest.end());
  return all;
}

// Single-file reading: every error record, and the DES when there are none.
std::vector<record> read_all_errors(const std::string &path, owned_des *out) {
  ads_error *errors = nullptr;
  int32_t count = -1;
  int result = ads_2_des(path.c_str(), &errors, &count, &out->des, &out->size);
  std::vector<record> got;
  for (int32_t i = 0; i < count; i++)
    got.push_back({errors[i].code, errors[i].line, errors[i].earlier_line});
  free(errors);
  EXPECT_EQ(result, count);
  return got;
}

// All-files reading: the first error, or {0, -1, -1} with the DES.
record read_first_error(const std::string &path, owned_des *out) {
  record r{-1, -2, -2};
  r[0] = ads_2_des_all(path.c_str(), &r[1], &r[2], &out->des, &out->size);
  return r;
}

// Both readers accept the file and give `expected`.
void expect_reads_as(const std::string &path, const owned_des &expected) {
  owned_des single, first;
  ASSERT_EQ(read_all_errors(path, &single), std::vector<record>{});
  ASSERT_EQ(read_first_error(path, &first), (record{0, -1, -1}));
  EXPECT_EQ(des_difference(expected.des, expected.size, single.des, single.size), "");
  EXPECT_EQ(des_difference(expected.des, expected.size, first.des, first.size), "");
  EXPECT_EQ(des_check(single.des, single.size), 0);
}

std::string description_of(const char *name, const owned_des &d) {
  char *buffer = nullptr;
  size_t length = 0;
  FILE *stream = open_memstream(&buffer, &length);
  EXPECT_EQ(des_to_ads(name, stream, d.des, d.size), 0);
  fclose(stream);
  std::string text(buffer, length);
  free(buffer);
  return text;
}

}  // namespace

// The all-files reader stops at the first of the single-file reader's records.
TEST(AdsReader, ErrorRecordsAndTheirLinesInBothModes) {
  scratch_dir dir;
  struct error_case {
    const char *what;
    lines text;
    std::vector<record> expected;
  };
  std::vector<error_case> cases = {
      {"blank name line",
       {"   ", "T", "State size", "1", "Marker states:", "Vocal states:", "Transitions:"},
       {{4, 1, -1}}},
      {"state label", {"T", "Size of states", "3"}, {{6, 2, -1}, {6, 3, -1}}},
      {"state counts",
       {"T", "State size", "-3", "abc", "2000001", "1",
        "Marker states:", "Vocal states:", "Transitions:"},
       {{7, 3, -1}, {18, 4, -1}, {8, 5, -1}}},
      {"missing marker label repeats its error",
       {"T", "State size", "2", "0", "", "# note", "1",
        "Marker states:", "Vocal states:", "Transitions:"},
       {{9, 4, -1}, {9, 7, -1}}},
      {"marker lines",
       with_head({"-1", "3", "x", "2", "Vocal states:", "Transitions:"}),
       {{10, 5, -1}, {11, 6, -1}, {19, 7, -1}}},
      {"line after the star",
       with_head({"*", "1", "Vocal states:", "Transitions:"}),
       {{12, 6, -1}}},
      {"missing vocal label", with_head({"1", "Transitions:", "0 1 1"}), {{19, 6, -1}}},
      {"vocal lines",
       {"T", "State size", "5", "Marker states:", "Vocal states:", "4 9", "4 100", "-1 5", "5 50",
        "7", "Transitions:"},
       {{13, 6, -1}, {14, 7, -1}, {7, 8, -1}, {13, 8, -1}, {8, 9, -1}, {20, 10, -1}}},
      {"transition lines",
       with_head(
           {"Vocal states:", "Transitions:", "3 1000 -1", "-1 -1 3", "1 2", "0 1 1", "0 1 2"}),
       {{23, 7, -1},
        {17, 7, -1},
        {24, 7, -1},
        {22, 8, -1},
        {16, 8, -1},
        {25, 8, -1},
        {21, 9, -1},
        {26, 11, 10}}},
      {"nondeterminism names the latest repeat",
       with_head({"Vocal states:", "Transitions:", "2 0 1", "# c", "2 0 1", "2 0 2"}),
       {{26, 10, 9}}},
      {"overlong line is read as two",
       with_head(
           {"Vocal states:", "Transitions:", "0 1 1" + std::string(260, ' ') + "junk", "1 5"}),
       {{21, 8, -1}, {21, 9, -1}}},
      {"carriage returns", {"T\r", "State size\r", "3\r", "Marker states:\r"}, {{9, 4, -1}}},
      {"trailing blank on a label",
       with_head({"Vocal states: ", "Transitions:"}),
       {{19, 5, -1}, {19, 6, -1}}},
      {"file ends in the marker section", with_head({"1", "# trailing comment"}), {{2, 6, -1}}},
      {"file ends in the vocal section", with_head({"Vocal states:", "1 10", ""}), {{2, 7, -1}}},
      {"empty file", {}, {{2, 0, -1}}},
  };
  for (const error_case &c : cases) {
    SCOPED_TRACE(c.what);
    write_lines(dir.file("case.ads"), c.text);
    owned_des single, first;
    EXPECT_EQ(read_all_errors(dir.file("case.ads"), &single), c.expected);
    EXPECT_EQ(read_first_error(dir.file("case.ads"), &first), c.expected.front());
    EXPECT_TRUE(single.des == nullptr && first.des == nullptr);
  }
  owned_des none;
  EXPECT_EQ(read_all_errors(dir.file("absent.ads"), &none), (std::vector<record>{{4, -1, -1}}));
  EXPECT_EQ(read_first_error(dir.file("absent.ads"), &none), (record{1, -1, -1}));
}

// "*" marks every state, repeated transitions are harmless, and a vocal label right after the
// marker label means no markers; an unchanged template fails at each label as a state count.
TEST(AdsReader, AcceptedTextsAndTheUnchangedTemplate) {
  scratch_dir dir;
  std::string path = dir.file("a.ads");
  owned_des star, vocal, none;
  make_des(3, {{0, 1, 1}, {1, 0, 2}}, {0, 1, 2}, &star);
  write_lines(path, with_head({" *", "Vocal states:", "Transitions:", "0 1 1", "1 0 2", "1 0 2"}));
  expect_reads_as(path, star);
  make_des(3, {{2, 998, 0}}, {}, &vocal);
  vocal.des[2].vocal = 99;
  write_lines(path, with_head({"Vocal states:", "2 99", "Transitions:", "2 998 0", "# end"}));
  expect_reads_as(path, vocal);

  ASSERT_EQ(generate_ads_file(path.c_str(), "PLANT"), 0);
  std::vector<unsigned char> bytes = read_bytes(path);
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 26);
  EXPECT_EQ(read_all_errors(path, &none),
            (std::vector<record>{{18, 8, -1}, {18, 14, -1}, {18, 21, -1}}));
  EXPECT_EQ(generate_ads_file(dir.file("no/such/dir.ads").c_str(), "X"), 1);
}

TEST(AdsReader, RunningOutOfMemoryEndsWithoutADes) {
  scratch_dir dir;
  std::string path = dir.file("oom.ads");
  write_lines(path, with_head({"2", "Vocal states:", "0 10", "Transitions:", "0 1 1", "1 2 2",
                               "0 3 2", "0 0 0"}));
  for (long n = 0;; n++) {
    SCOPED_TRACE(n);
    mem_result = 0;
    owned_des single, first;
    fail_allocation_after(n);
    ads_error *errors = nullptr;
    int32_t count;
    int result = ads_2_des(path.c_str(), &errors, &count, &single.des, &single.size);
    free(errors);
    fail_allocation_after(n);
    record r = read_first_error(path, &first);
    fail_allocation_after(-1);
    if (result == 0) {
      EXPECT_TRUE(r[0] == 0 && mem_result == 0 && n > 2);
      break;
    }
    EXPECT_TRUE(r[0] == ADS_INTERNAL && mem_result == 1);
    EXPECT_TRUE(single.des == nullptr && first.des == nullptr);
  }
  mem_result = 0;
}

TEST(AdsWriter, DescriptionOfTheThreeStateExample) {
  owned_des d;
  make_des(3, {{0, 1, 1}, {1, 0, 2}}, {2}, &d);
  d.des[1].vocal = 12;
  std::string expected =
      "# MURN ADS auto-generated\n\nEX\n\n"
      "State size (State set will be (0,1....,size-1)):\n"
      "# <-- Enter state size, in range 0 to 2000000, on line below.\n3\n\n"
      "Marker states:\n# <-- Enter marker states, one per line.\n"
      "# To mark all states, enter *.\n# If no marker states, leave line blank.\n"
      "# End marker list with blank line.\n2\n\n"
      "Vocal states:\n# <-- Enter vocal output states, one per line.\n"
      "# Format: State  Vocal_Output.  Vocal_Output in range 10 to 99.\n# Example: 0 10\n"
      "# If no vocal states, leave line blank.\n# End vocal list with blank line.\n"
      "1     12  \n\n"
      "Transitions:\n# <-- Enter transition triple, one per line.\n"
      "# Format: Exit_(Source)_State  Transition_Label  Entrance_(Target)_State.\n"
      "# Transition_Label in range 0 to 999.\n"
      "# Example: 2 0 1 (for transition labeled 0 from state 2 to state 1).\n"
      "0     1   1    \n1     0   2    \n\n";
  EXPECT_EQ(description_of("EX", d), expected);
}

TEST(AdsRoundTrip, RandomDeterministicDesComeBackUnchangedInBothModes) {
  scratch_dir dir;
  std::mt19937 rng(4242);
  for (int round = 0; round < 40; round++) {
    SCOPED_TRACE(round);
    random_des_options o;
    o.states = round == 0 ? 0 : 1 + static_cast<state_t>(rng() % 150);
    o.events = {0, 1, 2, 3, 10, 11, 500, 998, 999};
    o.max_out = static_cast<int>(rng() % 9);
    o.vocal = round % 2 == 1;
    o.marked_fraction = (round % 4) / 3.0;
    owned_des d;
    if (o.states > 0) make_random_des(rng, o, &d);
    write_bytes(dir.file("rt.ads"), description_of("RT", d));
    expect_reads_as(dir.file("rt.ads"), d);
  }
}
