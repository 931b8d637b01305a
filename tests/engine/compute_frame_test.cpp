// The compute process's frame around every procedure: reading names and lists from the request,
// loading and filing, and the result codes of its failures.
#include <gtest/gtest.h>

#include <vector>

#include "engine/catalogue.h"
#include "engine/cl_kep.h"
#include "engine/engine_test_util.h"
#include "model/mymalloc.h"

namespace {

using namespace engine_test;

// What the last recording run saw: list items in order, names, whether input 0 was loaded.
std::vector<int> seen_items;
std::string seen_names;
bool saw_loaded_input;

void record(compute_job *job) {
  seen_items.assign(job->events, job->events + job->event_count);
  for (int i = 0; i < job->pair_count; i++)
    seen_items.insert(seen_items.end(), {job->pairs[i].data1, job->pairs[i].data2});
  for (int i = 0; i < job->quad_count; i++) {
    const quad &q = job->quads[i];
    seen_items.insert(seen_items.end(), {int(q.a), int(q.b), int(q.c), int(q.d)});
  }
  seen_names = std::string(job->name[0]) + "|" + job->name[1];
  saw_loaded_input = job->input[0].des != nullptr;
}
void allocate_a_lot(compute_job *) {
  fail_allocation_after(0);
  MALLOC(64);
}
void flag_out_of_memory(compute_job *) {
  mem_result = 1;
}

procedure_row row_with(list_kind list, void (*run)(compute_job *) = record) {
  return procedure_row{1, "Test", "T: Test", 1, OUTPUT_DES, list, FRAME_STANDARD, run};
}

// Runs the frame of `row` on the request body `text` (the lines after the header).
void run_frame(const scratch_install &install, const procedure_row &row, const std::string &text) {
  write_text(install.user_file("body"), text);
  FILE *request = fopen(install.user_file("body").c_str(), "r");
  ASSERT_NE(request, nullptr);
  compute_procedure(&row, request);
  fclose(request);
}

// Items arrive sorted without duplicates; the first item that is not a number (or not an
// event) ends the list.
TEST(ComputeFrame, ListsAreSortedAndEndAtTheFirstBadItem) {
  scratch_install install;
  struct {
    list_kind list;
    const char *body;
    std::vector<int> items;
  } cases[] = {
      {LIST_EVENTS, "G\nH\n13\n11\n13\n7\n", {7, 11, 13}},
      {LIST_STATE_PAIRS, "G\nH\n3 1\n0 2\n3 1\n", {0, 2, 3, 1}},
      {LIST_QUADS, "G\nH\n4 2 0 20\n0 11 1 10\n", {0, 11, 1, 10, 4, 2, 0, 20}},
      {LIST_EVENTS, "G\nH\n11\nx\n13\n", {11}},
      {LIST_EVENTS, "G\nH\n11\n70000\n13\n", {11}},
      {LIST_STATE_PAIRS, "G\nH\n1 2\n3\n", {1, 2}},
      {LIST_EVENTS, "G\nH\n", {}},
  };
  for (const auto &c : cases) {
    run_frame(install, row_with(c.list), c.body);
    EXPECT_EQ(seen_items, c.items) << c.body;
  }
  run_frame(install, row_with(LIST_NONE), "GG\nHH");
  EXPECT_EQ(seen_names, "GG|HH");
  EXPECT_TRUE(install.user_has("HH.des"));
}

// A standard row gets its inputs loaded and its output filed; a row that handles its own files
// gets only the names.
TEST(ComputeFrame, OnlyStandardRowsLoadAndFile) {
  scratch_install install;
  owned_des g;
  make_des(2, {{0, 1, 1}}, {1}, &g);
  install.file("G", g);
  run_frame(install, row_with(LIST_NONE), "G\nH\n");
  EXPECT_TRUE(saw_loaded_input);
  EXPECT_TRUE(install.user_has("H.des"));
  procedure_row own = row_with(LIST_NONE);
  own.frame = FRAME_OWN;
  run_frame(install, own, "G\nK\n");
  EXPECT_FALSE(saw_loaded_input);
  EXPECT_EQ(seen_names, "G|K");
  EXPECT_FALSE(install.user_has("K.des"));
}

// Each failure ends the process with status 0 and writes exactly its code; no output is filed.
TEST(ComputeFrame, EachFailureWritesItsCode) {
  scratch_install install;
  struct {
    void (*run)(compute_job *);
    std::string body;
    int expected;
  } cases[] = {
      {record, "G\n", MURN_MISSING_NAME},
      {record, "", MURN_MISSING_NAME},
      {record, std::string(300, 'G') + "\nH\n", MURN_MISSING_NAME},
      {flag_out_of_memory, "G\nH\n", MURN_OUT_OF_MEMORY},
      {allocate_a_lot, "G\nH\n", MURN_OUT_OF_MEMORY},
      {record, "G\nno_such_dir/H\n", MURN_OUTPUT_NOT_WRITTEN},
  };
  for (const auto &c : cases) {
    auto in_compute_mode = [&] {
      cmdline = 1;
      set_out_of_memory_handler(murn_out_of_memory);
      run_frame(install, row_with(LIST_NONE, c.run), c.body);
    };
    EXPECT_EXIT(in_compute_mode(), testing::ExitedWithCode(0), "") << c.body;
    EXPECT_EQ(read_text(install.user_file("murn.rst")), std::to_string(c.expected) + "\n")
        << c.body;
    EXPECT_FALSE(install.user_has("H.des"));
    std::filesystem::remove(install.user_file("murn.rst"));
  }
}

// The header selects the procedure and sets the switches; a header that is not numbers selects
// none and the request completes.
TEST(ComputeFrame, HeaderSetsSwitchesOrSelectsNothing) {
  scratch_install install;
  write_text(install.user_file("murn.prm"), "1\n0\n99\n");
  EXPECT_EQ(cmdline_kep_run(), 0);
  EXPECT_EQ(debug_mode, 1);
  EXPECT_EQ(minflag, 0);
  write_text(install.user_file("murn.prm"), "zero\n1\n2\nG\nH\n");
  EXPECT_EQ(cmdline_kep_run(), 0);
  EXPECT_EQ(install.user_listing(), std::vector<std::string>{"murn.rst"});
  EXPECT_EQ(read_text(install.user_file("murn.rst")), "0\n");
}

}  // namespace
