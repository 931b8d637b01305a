// The compute process's frame around every procedure: reading names and lists from the request,
// and the result codes of its failures (missing name, out of memory, unwritable output).
#include <gtest/gtest.h>

#include <vector>

#include "engine/catalogue.h"
#include "engine/cl_kep.h"
#include "engine/engine_test_util.h"
#include "model/des_file.h"
#include "model/mymalloc.h"
#include "support/random_des.h"

namespace {

// What the last recording run saw.
std::vector<int> seen_items;
std::string seen_names;

void record_list(compute_job *job) {
  seen_items.clear();
  for (int i = 0; i < job->event_count; i++) seen_items.push_back(job->events[i]);
  for (int i = 0; i < job->pair_count; i++) {
    seen_items.push_back(job->pairs[i].data1);
    seen_items.push_back(job->pairs[i].data2);
  }
  for (int i = 0; i < job->quad_count; i++) {
    const quad &q = job->quads[i];
    for (int v : {static_cast<int>(q.a), static_cast<int>(q.b), static_cast<int>(q.c),
                  static_cast<int>(q.d)})
      seen_items.push_back(v);
  }
  seen_names = std::string(job->name[0]) + "|" + job->name[1];
}

bool saw_loaded_input;
void note_loading(compute_job *job) {
  saw_loaded_input = job->input[0].des != nullptr;
  record_list(job);
}

void allocate_a_lot(compute_job *) {
  fail_allocation_after(0);
  MALLOC(64);
}

void flag_out_of_memory(compute_job *) {
  mem_result = 1;
}

procedure_row row_with(list_kind list, void (*run)(compute_job *)) {
  return procedure_row{1, "Test", "T: Test", 1, OUTPUT_DES, list, FRAME_STANDARD, run};
}

// Runs the frame of `row` on the request body `text` (the lines after the header).
void run_frame(const scratch_install &install, const procedure_row &row, const std::string &text) {
  scratch_install::write_text(install.user_file("body"), text);
  FILE *request = fopen(install.user_file("body").c_str(), "r");
  ASSERT_NE(request, nullptr);
  compute_procedure(&row, request);
  fclose(request);
}

TEST(ComputeLists, ItemsArriveSortedWithoutDuplicates) {
  scratch_install install;
  run_frame(install, row_with(LIST_EVENTS, record_list), "G\nH\n13\n11\n13\n7\n");
  EXPECT_EQ(seen_items, (std::vector<int>{7, 11, 13}));
  EXPECT_EQ(seen_names, "G|H");
  run_frame(install, row_with(LIST_STATE_PAIRS, record_list), "G\nH\n3 1\n0 2\n3 1\n");
  EXPECT_EQ(seen_items, (std::vector<int>{0, 2, 3, 1}));
  run_frame(install, row_with(LIST_QUADS, record_list), "G\nH\n4 2 0 20\n0 11 1 10\n");
  EXPECT_EQ(seen_items, (std::vector<int>{0, 11, 1, 10, 4, 2, 0, 20}));
  EXPECT_TRUE(install.user_has("H.des"));
}

TEST(ComputeLists, AnItemThatIsNotANumberEndsTheList) {
  scratch_install install;
  run_frame(install, row_with(LIST_EVENTS, record_list), "G\nH\n11\nx\n13\n");
  EXPECT_EQ(seen_items, (std::vector<int>{11}));
  run_frame(install, row_with(LIST_EVENTS, record_list), "G\nH\n11\n70000\n13\n");
  EXPECT_EQ(seen_items, (std::vector<int>{11}));
  run_frame(install, row_with(LIST_STATE_PAIRS, record_list), "G\nH\n1 2\n3\n");
  EXPECT_EQ(seen_items, (std::vector<int>{1, 2}));
  run_frame(install, row_with(LIST_EVENTS, record_list), "G\nH\n");
  EXPECT_TRUE(seen_items.empty());
}

TEST(ComputeNames, LastLineWithoutNewlineKeepsItsLastCharacter) {
  scratch_install install;
  run_frame(install, row_with(LIST_NONE, record_list), "GG\nHH");
  EXPECT_EQ(seen_names, "GG|HH");
  EXPECT_TRUE(install.user_has("HH.des"));
}

// A standard row gets its inputs loaded and its output filed; a row that handles its own files
// gets only the names.
TEST(ComputeFrames, OnlyStandardRowsLoadAndFile) {
  scratch_install install;
  owned_des g;
  make_des(2, {{0, 1, 1}}, {1}, &g);
  ASSERT_EQ(filedes("G", g.size, 0, g.des), 0);
  run_frame(install, row_with(LIST_NONE, note_loading), "G\nH\n");
  EXPECT_TRUE(saw_loaded_input);
  EXPECT_TRUE(install.user_has("H.des"));
  procedure_row own = row_with(LIST_NONE, note_loading);
  own.frame = FRAME_OWN;
  run_frame(install, own, "G\nK\n");
  EXPECT_FALSE(saw_loaded_input);
  EXPECT_EQ(seen_names, "G|K");
  EXPECT_FALSE(install.user_has("K.des"));
}

// Each failure ends the process with status 0 and writes exactly its code; the output file is
// not created.
TEST(ComputeFailures, EachFailureWritesItsCode) {
  scratch_install install;
  struct {
    procedure_row row;
    std::string body;
    int expected;
  } cases[] = {
      {row_with(LIST_NONE, record_list), "G\n", MURN_MISSING_NAME},
      {row_with(LIST_NONE, record_list), "", MURN_MISSING_NAME},
      {row_with(LIST_NONE, record_list), std::string(300, 'G') + "\nH\n", MURN_MISSING_NAME},
      {row_with(LIST_NONE, flag_out_of_memory), "G\nH\n", MURN_OUT_OF_MEMORY},
      {row_with(LIST_NONE, record_list), "G\nno_such_dir/H\n", MURN_OUTPUT_NOT_WRITTEN},
  };
  for (const auto &c : cases) {
    EXPECT_EXIT(run_frame(install, c.row, c.body), testing::ExitedWithCode(0), "") << c.body;
    EXPECT_EQ(scratch_install::read_text(install.user_file("murn.rst")),
              std::to_string(c.expected) + "\n")
        << c.body;
    EXPECT_FALSE(install.user_has("H.des"));
    std::filesystem::remove(install.user_file("murn.rst"));
  }
}

TEST(ComputeFailures, AllocationFailureInComputeModeAnswersThree) {
  scratch_install install;
  auto in_compute_mode = [&] {
    cmdline = 1;
    set_out_of_memory_handler(murn_out_of_memory);
    run_frame(install, row_with(LIST_NONE, allocate_a_lot), "G\nH\n");
  };
  EXPECT_EXIT(in_compute_mode(), testing::ExitedWithCode(0), "");
  EXPECT_EQ(scratch_install::read_text(install.user_file("murn.rst")), "3\n");
  EXPECT_FALSE(install.user_has("H.des"));
}

// The header lines select the procedure; a header that is not numbers selects none.
TEST(ComputeHeader, GarbledHeaderRunsNothingAndCompletes) {
  scratch_install install;
  scratch_install::write_text(install.user_file("murn.prm"), "zero\n1\n2\nG\nH\n");
  EXPECT_EQ(cmdline_kep_run(), 0);
  EXPECT_EQ(install.user_listing(), std::vector<std::string>{"murn.rst"});
  EXPECT_EQ(scratch_install::read_text(install.user_file("murn.rst")), "0\n");
}

TEST(ComputeHeader, HeaderCarriesDebugAndMinimizationSwitches) {
  scratch_install install;
  debug_mode = 0;
  minflag = 1;
  scratch_install::write_text(install.user_file("murn.prm"), "1\n0\n99\n");
  EXPECT_EQ(cmdline_kep_run(), 0);
  EXPECT_EQ(debug_mode, 1);
  EXPECT_EQ(minflag, 0);
}

}  // namespace
