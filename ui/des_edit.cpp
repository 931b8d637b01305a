// Growing, trimming and renumbering a hand-made DES, its nondeterministic transitions, and the
// Create and Edit entries of the MAKEIT log.
#include "ui/des_edit.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "algo/des_proc.h"
#include "model/mymalloc.h"

namespace {

// Appends printf-formatted text to `out`.
template <typename... Args>
void append(std::string *out, const char *format, Args... args) {
  char text[96];
  snprintf(text, sizeof text, format, args...);
  *out += text;
}

bool empty_state(const state_node &node) {
  return !node.reached && !node.marked && node.vocal == 0 && node.numelts == 0;
}

}  // namespace

bool triple_before(const triple &a, const triple &b) {
  if (a.first != b.first) return a.first < b.first;
  if (a.middle != b.middle) return a.middle < b.middle;
  return a.third < b.third;
}

bool pair_before(const state_pair &a, const state_pair &b) {
  if (a.data1 != b.data1) return a.data1 < b.data1;
  return a.data2 < b.data2;
}

int add_des(state_node **des, state_t *size, state_t state) {
  if (state < *size) return 0;
  state_node *grown = REALLOC_N(*des, static_cast<size_t>(state) + 1);
  if (grown == nullptr) {
    mem_result = 1;
    return 1;
  }
  for (state_t s = *size; s <= state; s++) grown[s] = nil_state_node;
  *des = grown;
  *size = state + 1;
  return 0;
}

void trim_endstates(state_t *size, state_node **des) {
  if (*size <= 0) return;
  for (state_t s = 0; s < *size; s++) (*des)[s].reached = 0;
  (*des)[0].reached = 1;
  b_reach(0, des);
  state_t kept = *size;
  while (kept > 1 && empty_state((*des)[kept - 1])) kept--;
  if (kept == *size) return;
  state_node *shrunk =
      static_cast<state_node *>(realloc(*des, static_cast<size_t>(kept) * sizeof(state_node)));
  if (shrunk != nullptr) *des = shrunk;
  *size = kept;
}

void swap_states(state_node *des, state_t size, state_t a, state_t b) {
  if (a == b) return;
  std::swap(des[a], des[b]);
  for (state_t s = 0; s < size; s++) {
    state_node &node = des[s];
    bool changed = false;
    for (int j = 0; j < node.numelts; j++) {
      state_t t = node.next[j].target();
      if (t != a && t != b) continue;
      node.next[j].set_target(t == a ? b : a);
      changed = true;
    }
    if (changed) std::sort(node.next, node.next + node.numelts, tran_less);
  }
}

std::vector<triple> nondeterministic_transitions(const state_node *des, state_t size) {
  std::vector<triple> found;
  for (state_t s = 0; s < size; s++) {
    const state_node &node = des[s];
    for (int j = 0; j < node.numelts; j++) {
      event_t e = node.next[j].event();
      bool shared = (j > 0 && node.next[j - 1].event() == e) ||
                    (j + 1 < node.numelts && node.next[j + 1].event() == e);
      if (shared) found.push_back(triple{s, e, node.next[j].target()});
    }
  }
  return found;
}

std::string create_entry(const char *name, const state_node *des, state_t size,
                         bool list_all_marks) {
  std::string out;
  append(&out, "%s = Create(%s", name, name);
  state_t marked = num_marked(des, size);
  if (marked == size && size > 0 && !list_all_marks) {
    out += ",[mark all]";
  } else if (marked > 0) {
    out += ",[mark ";
    const char *sep = "";
    for (state_t s = 0; s < size; s++) {
      if (!des[s].marked) continue;
      append(&out, "%s%ld", sep, static_cast<long>(s));
      sep = ",";
    }
    out += "]";
  }
  state_t vocal = 0;
  for (state_t s = 0; s < size; s++) {
    if (des[s].vocal == 0) continue;
    append(&out, vocal++ == 0 ? ",[voc [%ld,%d]" : ",[%ld,%d]", static_cast<long>(s),
           static_cast<int>(des[s].vocal));
  }
  if (vocal > 0) out += "]";
  const char *sep = ",[tran ";
  long transitions = 0;
  for (state_t s = 0; s < size; s++) {
    for (int j = 0; j < des[s].numelts; j++) {
      tran_entry t = des[s].next[j];
      append(&out, "%s[%ld,%d,%ld]", sep, static_cast<long>(s), static_cast<int>(t.event()),
             static_cast<long>(t.target()));
      sep = ",";
      transitions++;
    }
  }
  if (transitions > 0) out += "]";
  append(&out, ")  (%ld,%ld)\n\n", static_cast<long>(size), transitions);
  return out;
}

std::string edit_entry(const char *result, const char *source, const edit_record &record,
                       state_t size, long transitions) {
  std::string out;
  append(&out, "%s = Edit(%s", result, source);
  bool marks_written = false;
  if (record.all_marked) {
    out += ",[mark +[all]";
    marks_written = true;
  } else if (!record.new_marks.empty()) {
    out += ",[mark ";
    for (size_t i = 0; i < record.new_marks.size(); i++)
      append(&out, i == 0 ? "+[%ld]" : ",+[%ld]", static_cast<long>(record.new_marks[i]));
    marks_written = true;
  }
  const char *unmark_open = marks_written ? "," : ",[mark ";
  if (record.all_unmarked) {
    out += unmark_open;
    out += "-[all]]";
  } else if (!record.old_marks.empty()) {
    out += unmark_open;
    for (size_t i = 0; i < record.old_marks.size(); i++)
      append(&out, i == 0 ? "-[%ld]" : ",-[%ld]", static_cast<long>(record.old_marks[i]));
    out += "]";
  } else if (marks_written) {
    out += "]";
  }
  if (!record.deleted_states.empty()) {
    out += ",[states ";
    for (size_t i = 0; i < record.deleted_states.size(); i++)
      append(&out, i == 0 ? "-[%ld]" : ",-[%ld]", static_cast<long>(record.deleted_states[i]));
    out += "]";
  }
  if (!record.new_trans.empty()) {
    out += ",[trans ";
    for (size_t i = 0; i < record.new_trans.size(); i++) {
      const triple &t = record.new_trans[i];
      append(&out, i == 0 ? "+[%ld,%d,%ld]" : ",+[%ld,%d,%ld]", static_cast<long>(t.first),
             static_cast<int>(t.middle), static_cast<long>(t.third));
    }
  }
  if (!record.old_trans.empty()) {
    out += record.new_trans.empty() ? ",[trans " : ",";
    for (size_t i = 0; i < record.old_trans.size(); i++) {
      const triple &t = record.old_trans[i];
      append(&out, i == 0 ? "-[%ld,%d,%ld]" : ",-[%ld,%d,%ld]", static_cast<long>(t.first),
             static_cast<int>(t.middle), static_cast<long>(t.third));
    }
    out += "]";
  } else if (!record.new_trans.empty()) {
    out += "]";
  }
  const std::vector<state_pair> *groups[] = {&record.vocals, &record.unif_pairs};
  const char *openings[] = {",[voc ", ",[unif "};
  for (int g = 0; g < 2; g++) {
    if (groups[g]->empty()) continue;
    out += openings[g];
    for (size_t i = 0; i < groups[g]->size(); i++) {
      const state_pair &p = (*groups[g])[i];
      append(&out, i == 0 ? "[%ld,%ld]" : ",[%ld,%ld]", static_cast<long>(p.data1),
             static_cast<long>(p.data2));
    }
    out += "]";
  }
  if (record.reached) out += ",rch";
  append(&out, ")  (%ld,%ld)\n\n", static_cast<long>(size), transitions);
  return out;
}
