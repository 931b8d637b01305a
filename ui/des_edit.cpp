// Growing, trimming and renumbering a hand-made DES, its nondeterministic transitions, and the
// Create and Edit entries of the MAKEIT log.
#include "ui/des_edit.h"

#include <algorithm>
#include <cstdint>
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

// Sorts `list` and drops repeated elements.
template <typename T, typename Less>
void sort_unique(std::vector<T> *list, Less less) {
  std::sort(list->begin(), list->end(), less);
  auto same = [&less](const T &a, const T &b) { return !less(a, b) && !less(b, a); };
  list->erase(std::unique(list->begin(), list->end(), same), list->end());
}

bool pair_before(const state_pair &a, const state_pair &b) {
  if (a.data1 != b.data1) return a.data1 < b.data1;
  return a.data2 < b.data2;
}

}  // namespace

bool triple_before(const triple &a, const triple &b) {
  if (a.first != b.first) return a.first < b.first;
  if (a.middle != b.middle) return a.middle < b.middle;
  return a.third < b.third;
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

void settle_record(edit_record *record) {
  sort_unique(&record->new_marks, std::less<state_t>());
  sort_unique(&record->old_marks, std::less<state_t>());
  sort_unique(&record->deleted_states, std::less<state_t>());
  sort_unique(&record->unif_pairs, pair_before);
  std::vector<state_pair> &vocals = record->vocals;
  std::stable_sort(vocals.begin(), vocals.end(),
                   [](const state_pair &a, const state_pair &b) { return a.data1 < b.data1; });
  size_t kept = 0;
  for (size_t i = 0; i < vocals.size(); i++) {
    if (i + 1 < vocals.size() && vocals[i + 1].data1 == vocals[i].data1) continue;
    vocals[kept++] = vocals[i];
  }
  vocals.resize(kept);
}

void net_transition_changes(const std::vector<tran_change> &changes, std::vector<triple> *added,
                            std::vector<triple> *deleted) {
  added->clear();
  deleted->clear();
  // Each change as one word: exit state (22 bits), event (10), entrance state (22), and 1 for an
  // insertion in the lowest bit, so that sorting the words groups the changes of a transition.
  std::vector<uint64_t> codes(changes.size());
  for (size_t i = 0; i < changes.size(); i++) {
    const triple &t = changes[i].t;
    uint64_t key = static_cast<uint64_t>(t.first) << 32 | static_cast<uint64_t>(t.middle) << 22 |
                   static_cast<uint64_t>(t.third);
    codes[i] = key << 1 | (changes[i].sign == '+' ? 1u : 0u);
  }
  std::sort(codes.begin(), codes.end());
  // The changes of one transition alternate between insertion and removal, so insertions and
  // removals differ in number by at most one, and the one more frequent is the net change.
  for (size_t i = 0, end; i < codes.size(); i = end) {
    long balance = 0;
    for (end = i; end < codes.size() && codes[end] >> 1 == codes[i] >> 1; end++)
      balance += (codes[end] & 1) != 0 ? 1 : -1;
    if (balance == 0) continue;
    uint64_t key = codes[i] >> 1;
    triple t{static_cast<state_t>(key >> 32), static_cast<event_t>(key >> 22 & 0x3FF),
             static_cast<state_t>(key & 0x3FFFFF)};
    (balance > 0 ? added : deleted)->push_back(t);
  }
}

std::string edit_entry(const char *result, const char *source, const edit_record &record,
                       state_t size, long transitions) {
  std::string out;
  append(&out, "%s = Edit(%s", result, source);
  bool marks_written = false;
  if (record.all_marked || !record.new_marks.empty()) {
    out += ",[mark ";
    const char *sep = "";
    if (record.all_marked && record.grown_before_all >= 0) {
      append(&out, "+[%ld]", static_cast<long>(record.grown_before_all));
      sep = ",";
    }
    if (record.all_marked) {
      out += sep;
      out += "+[all]";
      sep = ",";
    }
    for (state_t s : record.new_marks) {
      append(&out, "%s+[%ld]", sep, static_cast<long>(s));
      sep = ",";
    }
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
