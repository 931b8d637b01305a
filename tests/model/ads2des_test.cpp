// ADS text: the reader's error records in both modes, templates, descriptions of DES and
// DES -> ADS -> DES round trips.
#include "model/ads2des.h"

#include <gtest/gtest.h>

#include <array>
#include <sstream>

#include "model/model_test_util.h"
#include "model/mymalloc.h"

namespace {

typedef std::array<int32_t, 3> record;  // code, line, earlier line
typedef std::vector<record> records;
const std::string HEAD = "T|State size|3|Marker states:|";

// Writes the lines of `text`, separated there by '|', to an ADS file and returns its path.
std::string ads_file(const scratch_dir &dir, std::string text) {
  std::replace(text.begin(), text.end(), '|', '\n');
  write_bytes(dir.file("t.ads"), text.empty() ? text : text + "\n");
  return dir.file("t.ads");
}

// Reads a file in both modes, allocation failing after `fail_after` successes (-1: never): all
// records of the single-file reader, the first error or {0, -1, -1} of the other, and the DES.
struct both_reads {
  records all;
  record first{-1, -2, -2};
  owned_des single_des, first_des;
  explicit both_reads(const std::string &path, long fail_after = -1) {
    ads_error *errors = nullptr;
    int32_t count = -1;
    fail_allocation_after(fail_after);
    int result = ads_2_des(path.c_str(), &errors, &count, &single_des.des, &single_des.size);
    fail_allocation_after(fail_after);
    first[0] = ads_2_des_all(path.c_str(), &first[1], &first[2], &first_des.des, &first_des.size);
    fail_allocation_after(-1);
    for (int32_t i = 0; i < count; i++)
      all.push_back({errors[i].code, errors[i].line, errors[i].earlier_line});
    free(errors);
    EXPECT_TRUE(result == count || mem_result);  // running out of memory may leave no record
  }
};

// Both readers accept the file and give `expected`.
void expect_reads_as(const std::string &path, const owned_des &expected) {
  both_reads got(path);
  ASSERT_EQ(got.all, records{});
  ASSERT_EQ(got.first, (record{0, -1, -1}));
  EXPECT_EQ(des_text(got.single_des), des_text(expected));
  EXPECT_EQ(des_text(got.first_des), des_text(expected));
  EXPECT_EQ(des_check(got.single_des.des, got.single_des.size), 0);
}

std::string describe(const scratch_dir &dir, const owned_des &d) {
  FILE *stream = fopen(dir.file("d.ads").c_str(), "w");
  EXPECT_EQ(des_to_ads("EX", stream, d.des, d.size), 0);
  fclose(stream);
  return dir.file("d.ads");
}

}  // namespace

// The all-files reader stops at the first of the single-file reader's records.
TEST(AdsReader, ErrorRecordsInBothModes) {
  scratch_dir dir;
  // clang-format off
  const std::vector<std::pair<std::string, records>> cases = {
      {"   |T|State size|1|Marker states:|Vocal states:|Transitions:", {{4, 1, -1}}},
      {"T|Size of states|3", {{6, 2, -1}, {6, 3, -1}}},
      {"T|State size|-3|abc|2000001|1|Marker states:|Vocal states:|Transitions:",
       {{7, 3, -1}, {18, 4, -1}, {8, 5, -1}}},
      {"T|State size|2|0||# note|1|Marker states:|Vocal states:|Transitions:",
       {{9, 4, -1}, {9, 7, -1}}},
      {HEAD + "-1|3|x|2|Vocal states:|Transitions:", {{10, 5, -1}, {11, 6, -1}, {19, 7, -1}}},
      {HEAD + "*|1|Vocal states:|Transitions:", {{12, 6, -1}}},
      {HEAD + "1|Transitions:|0 1 1", {{19, 6, -1}}},
      {"T|State size|5|Marker states:|Vocal states:|4 9|4 100|-1 5|5 50|7|Transitions:",
       {{13, 6, -1}, {14, 7, -1}, {7, 8, -1}, {13, 8, -1}, {8, 9, -1}, {20, 10, -1}}},
      {HEAD + "Vocal states:|Transitions:|3 1000 -1|-1 -1 3|1 2|0 1 1|0 1 2",
       {{23, 7, -1}, {17, 7, -1}, {24, 7, -1}, {22, 8, -1}, {16, 8, -1}, {25, 8, -1}, {21, 9, -1},
        {26, 11, 10}}},
      {HEAD + "Vocal states:|Transitions:|2 0 1|2 0 1|# c|2 0 2", {{26, 10, 8}}},
      {HEAD + "Vocal states:|Transitions:|0 1 1" + std::string(260, ' ') + "junk|1 5",
       {{21, 8, -1}}},
      {HEAD + "Vocal states:|Transitions:|#" + std::string(300, ' ') + "0 1 1|1 5", {{21, 8, -1}}},
      {"T\r|State size\r|3\r|Marker states:\r", {{9, 4, -1}}},
      {HEAD + "Vocal states: |Transitions:", {{19, 5, -1}, {19, 6, -1}}},
      {HEAD + "1|# trailing comment", {{2, 6, -1}}},
      {HEAD + "Vocal states:|1 10|", {{2, 7, -1}}},
      {"", {{2, 0, -1}}}};
  // clang-format on
  for (const auto &c : cases) {
    SCOPED_TRACE(c.first);
    both_reads got(ads_file(dir, c.first));
    EXPECT_EQ(got.all, c.second);
    EXPECT_EQ(got.first, c.second.front());
    EXPECT_TRUE(got.single_des.des == nullptr && got.first_des.des == nullptr);
  }
  both_reads absent(dir.file("absent.ads"));
  EXPECT_TRUE(absent.all == (records{{4, -1, -1}}) && absent.first == (record{1, -1, -1}));
  // Running out of memory at any allocation ends both readers without a DES.
  std::string path = ads_file(dir, HEAD + "2|Vocal states:|0 10|Transitions:|0 1 1|1 2 2|0 3 2");
  for (long n = 0;; n++) {
    mem_result = 0;
    both_reads got(path, n);
    if (mem_result == 0) {
      EXPECT_TRUE(got.all.empty() && got.first[0] == 0 && n > 2);
      break;
    }
    EXPECT_TRUE(got.first[0] == ADS_INTERNAL &&
                (got.all.empty() || got.all.back()[0] == ADS_INTERNAL));
    EXPECT_TRUE(got.single_des.des == nullptr && got.first_des.des == nullptr) << n;
  }
}

// The unchanged template fails at each label as a state count; "*" marks every state; lines may
// have any length; descriptions of random DES read back as the same DES.
TEST(AdsWriter, TemplateDescriptionsAndRoundTrips) {
  scratch_dir dir;
  owned_des ex;
  make_des(3, {{0, 1, 1}, {1, 0, 2}}, {2}, &ex);
  ex.des[1].vocal = 12;
  ASSERT_EQ(generate_ads_file(dir.file("tmpl.ads").c_str(), "EX"), 0);
  EXPECT_EQ(generate_ads_file(dir.file("no/such/dir.ads").c_str(), "X"), 1);
  // A template that cannot be written whole (a file-size limit below its length) leaves the file
  // it would replace.
  std::string kept = dir.file("kept.ads");
  write_bytes(kept, "old");
  EXPECT_EQ(under_file_size_limit(16, [&] { return generate_ads_file(kept.c_str(), "K"); }), 1);
  EXPECT_EQ(read_bytes(kept), "old");
  EXPECT_EQ(both_reads(dir.file("tmpl.ads")).all,
            (records{{18, 8, -1}, {18, 14, -1}, {18, 21, -1}}));
  // Without its data lines (those starting with a digit) a description is the template.
  std::istringstream description(read_bytes(describe(dir, ex)));
  std::string tmpl = read_bytes(dir.file("tmpl.ads")), comments;
  for (std::string line; std::getline(description, line);)
    if (line.empty() || !isdigit(line[0])) comments += line + "\n";
  EXPECT_EQ(comments, tmpl.replace(tmpl.find("Template"), 8, "auto-generated"));
  std::for_each(ex.des, ex.des + ex.size, [](state_node &s) { s.marked = 1; });
  expect_reads_as(ads_file(dir, HEAD + " *|Vocal states:|1 12|Transitions:|0 1 1|1 0 2|1 0 2"), ex);
  // Lines of any length: a long comment stays a comment, however its tail reads, and a long data
  // line keeps its numbers.
  owned_des one;
  make_des(3, {{1, 0, 2}}, {}, &one);
  expect_reads_as(ads_file(dir, HEAD + "Vocal states:|Transitions:|#" + std::string(1000, '-') +
                                    " 0 1 1|" + std::string(600, ' ') + "1 0 2"),
                  one);
  std::mt19937 rng(4242);
  for (int round = 0; round < 40; round++) {
    SCOPED_TRACE(round);
    owned_des d;
    random_des(rng, round == 0 ? 0 : draw<state_t>(rng, 1, 150), draw<int>(rng, 0, 8), true, &d);
    expect_reads_as(describe(dir, d), d);
  }
}
