// The compute process's frame around every procedure: names, lists, loading, filing, failures.
#include <gtest/gtest.h>

#include "algo/normality.h"
#include "engine/catalogue.h"
#include "engine/engine_test_util.h"
#include "engine/hier_procedures.h"
#include "engine/protocol.h"
#include "engine/reduce_procedures.h"
#include "model/mymalloc.h"

namespace {

// What the last recording run saw: list items in order; names, and whether input 0 was loaded.
std::vector<int> seen_items;
std::string seen_names;

void record(compute_job *job) {
  seen_items.assign(job->events, job->events + job->event_count);
  for (int i = 0; i < job->pair_count; i++)
    seen_items.insert(seen_items.end(), {job->pairs[i].data1, job->pairs[i].data2});
  for (const quad *q = job->quads; q < job->quads + job->quad_count; q++)
    seen_items.insert(seen_items.end(), {int(q->a), int(q->b), int(q->c), int(q->d)});
  seen_names = std::string(job->name[0]) + "|" + job->name[1] + (job->input[0].des ? "+" : "");
}

// E = {1} is not normal in the plant 0 -1-> 1, 0 -3-> 2 with 3 erased: with no round allowed,
// Supnormclo ends on its round limit.
void unsettled_normality(compute_job *job) {
  owned_des e, g;
  make_des(2, {{0, 1, 1}}, {1}, &e);
  make_des(3, {{0, 1, 1}, {0, 3, 2}}, {1, 2}, &g);
  job->input[0] = {e.size, std::exchange(e.des, nullptr)};
  job->input[1] = {g.size, std::exchange(g.des, nullptr)};
  job->events = static_cast<event_t *>(malloc(sizeof(event_t)));
  *job->events = 3;
  job->event_count = 1;
  cnorm_round_limit = 0;
  supnormclo_steps(job);
}

// Runs the frame of a one-input row on the request `text` after its header.
void run_frame(const scratch_install &install, const std::string &text, list_kind list = LIST_NONE,
               void (*run)(compute_job *) = record, frame_kind frame = FRAME_STANDARD) {
  procedure_row row{
      .id = PROC_SELFLOOP, .code = 1, .name = "Test", .list = list, .frame = frame, .steps = run};
  write_bytes(install.user_file("body"), text);
  FILE *request = fopen(install.user_file("body").c_str(), "r");
  ASSERT_NE(request, nullptr);
  compute_procedure(row, request);
  fclose(request);
}

// Items arrive sorted without duplicates; a standard row gets its input loaded and output filed,
// a row that handles its own files only the names.
TEST(ComputeFrame, ListsNamesLoadingAndFiling) {
  scratch_install install;
  install.file("G", 2, {{0, 1, 1}}, {1});
  std::tuple<list_kind, const char *, std::vector<int>> cases[] = {
      {LIST_EVENTS, "G\nH\n13\n11\n13\n7\n", {7, 11, 13}},
      {LIST_STATE_PAIRS, "G\nH\n3 1\n0 2\n3 1\n", {0, 2, 3, 1}},
      {LIST_QUADS, "G\nH\n4 2 0 20\n0 11 1 10\n", {0, 11, 1, 10, 4, 2, 0, 20}},
  };
  for (const auto &[list, body, items] : cases) {
    run_frame(install, body, list);
    EXPECT_EQ(seen_items, items) << body;
  }
  run_frame(install, "G\nHH", LIST_NONE);  // the last line may lack its newline
  EXPECT_EQ(seen_names, "G|HH+");
  EXPECT_TRUE(install.user_has("HH.des"));
  run_frame(install, "G\nK\n", LIST_NONE, record, FRAME_OWN);
  EXPECT_EQ(seen_names, "G|K");
  EXPECT_FALSE(install.user_has("K.des"));
}

// Each failure ends the process with status 0 and writes exactly its code, filing nothing; a list
// item not a number, out of range or incomplete makes the request garbled.
TEST(ComputeFrame, EachFailureWritesItsCode) {
  scratch_install install;
  std::tuple<void (*)(compute_job *), std::string, int, list_kind> cases[] = {
      {record, "G\nH\n11\nx\n13\n", MURN_BAD_REQUEST, LIST_EVENTS},
      {record, "G\nH\n11\n70000\n", MURN_BAD_REQUEST, LIST_EVENTS},
      {record, "G\nH\n1 2\n3\n", MURN_BAD_REQUEST, LIST_STATE_PAIRS},
      {record, std::string(300, 'G') + "\nH\n", MURN_MISSING_NAME, LIST_NONE},
      {record, "G\n\nH\n", MURN_MISSING_NAME, LIST_NONE},
      {record, "G\nH\n11 13\n", MURN_BAD_REQUEST, LIST_EVENTS},
      {record, "G\nH\n11\n\n", MURN_BAD_REQUEST, LIST_EVENTS},
      {record, "G\nH\n1 2 \n", MURN_BAD_REQUEST, LIST_STATE_PAIRS},
      {record, "G\nH\n-1 2\n", MURN_BAD_REQUEST, LIST_STATE_PAIRS},
      {record, "G\nH\n0 11 1 10 0\n", MURN_BAD_REQUEST, LIST_QUADS},
      {[](compute_job *) { mem_result = 1; }, "G\nH\n", MURN_OUT_OF_MEMORY, LIST_NONE},
      {[](compute_job *) { mem_result = state_limit_reached = 1; }, "G\nH\n", MURN_STATE_LIMIT,
       LIST_NONE},
      {[](compute_job *) { fail_allocation_after(0), MALLOC(64); }, "G\nH\n", MURN_OUT_OF_MEMORY,
       LIST_NONE},
      {unsettled_normality, "G\nH\n", MURN_NO_FIXED_POINT, LIST_NONE},
      {vocalize_steps, "G\nH\n0 1 1 20\n0 1 1 30\n", MURN_BAD_REQUEST, LIST_QUADS},
  };
  for (const auto &[run, body, expected, list] : cases) {
    auto in_compute_mode = [&, run = run, body = body, list = list] {
      cmdline = 1;
      set_out_of_memory_handler(murn_out_of_memory);
      run_frame(install, body, list, run);
    };
    EXPECT_EXIT(in_compute_mode(), testing::ExitedWithCode(0), "") << body;
    EXPECT_EQ(read_bytes(install.user_file("murn.rst")), std::to_string(expected) + "\n");
    EXPECT_FALSE(install.user_has("H.des"));
    std::filesystem::remove(install.user_file("murn.rst"));
  }
}

// The header sets the switches; one not numbers, with an unknown code or none answers garbled.
TEST(ComputeFrame, HeaderSetsSwitchesOrIsGarbled) {
  scratch_install install;
  for (const char *request : {
           "zero\n1\n2\nG\nH\n",
           "0\n1\n0\nA\nB\n",
           "0 1\n\"2 X\"\nMACH1\n",
           "0\n1\n2 X\nG\nH\n",
           "0\n1\n\n2\nG\nH\n",
           "1\n0\n99\n",
       }) {
    write_bytes(install.user_file("murn.prm"), request);
    EXPECT_EQ(cmdline_kep_run(), 0);
    EXPECT_EQ(install.user_listing(), (std::vector<std::string>{"murn.prm", "murn.rst"}));
    EXPECT_EQ(read_bytes(install.user_file("murn.rst")), "9\n") << request;
  }
  EXPECT_EQ(debug_mode, 1);  // from the last request
  EXPECT_EQ(minflag, 0);
}

}  // namespace
