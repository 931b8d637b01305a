// Sorted arrays grown one element at a time, and whole-DES helpers.
#include "model/des_supp.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "model/mymalloc.h"

namespace {

// Index of the first element not less than `key` in the sorted array; *found tells equality.
template <typename T, typename Less>
size_t lower_bound_of(const T *list, size_t count, const T &key, Less less, bool *found) {
  size_t low = 0, high = count;
  while (low < high) {
    size_t mid = low + (high - low) / 2;
    if (less(list[mid], key))
      low = mid + 1;
    else
      high = mid;
  }
  *found = low < count && !less(key, list[low]);
  return low;
}

// Inserts `key` into the sorted array unless an equal element is present. The array grows by
// exactly one element; on allocation failure nothing changes and *added stays 0.
template <typename T, typename Less>
void sorted_insert(const T &key, T **list, size_t count, int *added, Less less) {
  *added = 0;
  bool found;
  size_t at = lower_bound_of(*list, count, key, less, &found);
  if (found) return;
  T *grown = REALLOC_N(*list, count + 1);
  if (grown == nullptr) return;
  memmove(grown + at + 1, grown + at, (count - at) * sizeof(T));
  grown[at] = key;
  *list = grown;
  *added = 1;
}

template <typename T, typename Less>
int sorted_contains(const T &key, const T *list, size_t count, Less less) {
  bool found;
  lower_bound_of(list, count, key, less, &found);
  return found ? 1 : 0;
}

template <typename T>
bool plain_less(const T &a, const T &b) {
  return a < b;
}

bool pair_less(const state_pair &a, const state_pair &b) {
  if (a.data1 != b.data1) return a.data1 < b.data1;
  return a.data2 < b.data2;
}

bool triple_less(const triple &a, const triple &b) {
  if (a.first != b.first) return a.first < b.first;
  if (a.middle != b.middle) return a.middle < b.middle;
  return a.third < b.third;
}

bool quad_less(const quad &a, const quad &b) {
  if (a.a != b.a) return a.a < b.a;
  if (a.b != b.b) return a.b < b.b;
  if (a.c != b.c) return a.c < b.c;
  return a.d < b.d;
}

bool map_less(const state_map &a, const state_map &b) {
  return a.key() < b.key();
}

}  // namespace

void addordlist1(event_t e, state_t target, tran_entry **list, state_t count, int *added) {
  sorted_insert(make_tran(e, target), list, static_cast<size_t>(count), added, tran_less);
}

void delete_ordlist1(event_t e, state_t target, tran_entry **list, state_t count, int *removed) {
  *removed = 0;
  bool found;
  size_t at =
      lower_bound_of(*list, static_cast<size_t>(count), make_tran(e, target), tran_less, &found);
  if (!found) return;
  *removed = 1;
  if (count == 1) {
    free(*list);
    *list = nullptr;
    return;
  }
  memmove(*list + at, *list + at + 1, (static_cast<size_t>(count) - at - 1) * sizeof(tran_entry));
  tran_entry *shrunk = static_cast<tran_entry *>(realloc(*list, (count - 1) * sizeof(tran_entry)));
  if (shrunk != nullptr) *list = shrunk;
}

void insertlist4(state_t src, event_t e, state_t dst, state_t *size, state_node **des) {
  if (src >= *size) {
    // Judge this resize by its own outcome, not by a flag left over from earlier work.
    int earlier_failure = mem_result;
    mem_result = 0;
    resize_des(des, *size, src + 1);
    bool failed = mem_result != 0;
    mem_result = earlier_failure || failed;
    if (failed) return;
    *size = src + 1;
  }
  state_node &node = (*des)[src];
  if (node.numelts == UINT16_MAX) {
    mem_result = 1;
    return;
  }
  int added;
  addordlist1(e, dst, &node.next, node.numelts, &added);
  if (added) node.numelts++;
}

void addordlist(event_t e, event_t **list, uint16_t count, int *added) {
  sorted_insert(e, list, count, added, plain_less<event_t>);
}

int inlist(event_t e, const event_t *list, uint16_t count) {
  return sorted_contains(e, list, count, plain_less<event_t>);
}

uint16_t event_difference(const event_t *a, uint16_t ca, const event_t *b, uint16_t cb,
                          event_t *out) {
  uint16_t count = 0, j = 0;
  for (uint16_t i = 0; i < ca; i++) {
    while (j < cb && b[j] < a[i]) j++;
    if (j == cb || b[j] != a[i]) out[count++] = a[i];
  }
  return count;
}

void addstatelist(state_t s, state_t **list, state_t count, int *added) {
  sorted_insert(s, list, static_cast<size_t>(count), added, plain_less<state_t>);
}

int instatelist(state_t s, const state_t *list, state_t count) {
  return sorted_contains(s, list, static_cast<size_t>(count), plain_less<state_t>);
}

void addstatepair(state_t first, state_t second, state_pair **list, state_t count, int *added) {
  sorted_insert(state_pair{first, second}, list, static_cast<size_t>(count), added, pair_less);
}

int instatepair(state_t first, state_t second, const state_pair *list, state_t count) {
  return sorted_contains(state_pair{first, second}, list, static_cast<size_t>(count), pair_less);
}

void addtriple(state_t first, event_t middle, state_t third, triple **list, state_t count,
               int *added) {
  sorted_insert(triple{first, middle, third}, list, static_cast<size_t>(count), added, triple_less);
}

void add_quad(state_t a, event_t b, state_t c, int16_t d, quad **list, state_t count, int *added) {
  sorted_insert(quad{a, b, c, d}, list, static_cast<size_t>(count), added, quad_less);
}

int inlist_quad(const quad *list, state_t count, state_t a, event_t b, state_t c, int16_t *d) {
  for (state_t i = 0; i < count; i++) {
    if (list[i].a == a && list[i].b == b && list[i].c == c) {
      *d = list[i].d;
      return 1;
    }
  }
  return 0;
}

void addstatemap(state_t key, state_t member, state_map **maps, state_t count, int *added) {
  *added = 0;
  state_map probe{static_cast<uint32_t>(key) << 1, 0, nullptr};
  bool found;
  size_t at = lower_bound_of(*maps, static_cast<size_t>(count), probe, map_less, &found);
  if (!found) {
    int inserted;
    sorted_insert(probe, maps, static_cast<size_t>(count), &inserted, map_less);
    if (!inserted) return;
    *added = 1;
  }
  state_map &entry = (*maps)[at];
  int member_added;
  addstatelist(member, &entry.next, entry.numelts, &member_added);
  if (member_added) entry.numelts++;
}

void free_map(state_t count, state_map **maps) {
  if (*maps == nullptr) return;
  for (state_t i = 0; i < count; i++) free((*maps)[i].next);
  free(*maps);
  *maps = nullptr;
}

void recode_min(state_t count, const state_node *src, state_node *dst, const state_t *map) {
  for (state_t k = 0; k < count; k++) {
    state_node &d = dst[map[k]];
    d.marked = src[k].marked;
    d.vocal = src[k].vocal;
    for (int j = 0; j < src[k].numelts; j++) {
      tran_entry t = src[k].next[j];
      int added;
      addordlist1(t.event(), map[t.target()], &d.next, d.numelts, &added);
      if (added) d.numelts++;
    }
  }
}

void vocalmap_des(state_node *des, state_t size, const state_pair *pairs, state_t npairs) {
  // Outputs fill the 13-bit field; the table holds the first new output per old one, -1 for none.
  const int outputs = 0x2000;
  std::vector<int> new_output(outputs, -1);
  for (state_t i = npairs - 1; i >= 0; i--)
    if (pairs[i].data1 >= 0 && pairs[i].data1 < outputs)
      new_output[pairs[i].data1] = pairs[i].data2;
  for (state_t s = 0; s < size; s++) {
    int v = new_output[des[s].vocal];
    if (v >= 0) des[s].vocal = static_cast<uint16_t>(v & 0x1FFF);
  }
}

void trim_endstates(state_t *size, state_node **des) {
  if (*size <= 1) return;
  state_node *g = *des;
  state_t kept = 1;  // one past the highest state that must stay
  for (state_t s = 0; s < *size; s++) {
    const state_node &node = g[s];
    if (node.marked || node.vocal != 0 || node.numelts > 0) kept = s + 1 > kept ? s + 1 : kept;
    for (int j = 0; j < node.numelts; j++)
      if (node.next[j].target() >= kept) kept = node.next[j].target() + 1;
  }
  if (kept < *size) resize_des(des, *size, kept);
  *size = kept;
}

int check_des_sanity(const state_node *des, state_t size) {
  if (des == nullptr) return 1;
  for (state_t s = 0; s < size; s++) {
    for (int j = 0; j < des[s].numelts; j++) {
      tran_entry t = des[s].next[j];
      if (t.event() > MAX_EVENT || t.target() < 0 || t.target() >= size) return 0;
    }
  }
  return 1;
}

state_t num_mark_states(const state_node *des, state_t size) {
  state_t n = 0;
  for (state_t s = 0; s < size; s++) n += des[s].marked;
  return n;
}

state_t num_vocal_output(const state_node *des, state_t size) {
  state_t n = 0;
  for (state_t s = 0; s < size; s++) n += des[s].vocal > 0 ? 1 : 0;
  return n;
}

long num_transitions(const state_node *des, state_t size) {
  long count = 0;
  for (state_t s = 0; s < size; s++) count += des[s].numelts;
  return count;
}
