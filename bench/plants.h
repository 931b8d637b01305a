// Benchmark plants: a transfer line of machines with buffers between neighbours.
//
// Machine i (1..99) has states idle (0, marked), working (1) and down (2) and the events
// start 10i+1 (idle -> working, controllable), finish 10i+2 (working -> idle, uncontrollable),
// repair 10i+3 (down -> idle, controllable) and break 10i+4 (working -> down, uncontrollable).
// Buffer i between machines i and i+1 holds 0..capacity parts (state = level, 0 marked): finish
// of machine i adds a part, start of machine i+1 takes one; the buffer has no transition that
// would overflow or underflow it, so as a specification it forbids both.
#ifndef SARV_BENCH_PLANTS_H
#define SARV_BENCH_PLANTS_H

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "algo/des_proc.h"
#include "algo/product.h"
#include "algo/supcon.h"
#include "model/des_data.h"
#include "model/mymalloc.h"

// A DES built for a benchmark; release with freedes.
struct bench_des {
  state_t n = 0;
  state_node *des = nullptr;
};

inline event_t start_event(int i) {
  return static_cast<event_t>(10 * i + 1);
}
inline event_t finish_event(int i) {
  return static_cast<event_t>(10 * i + 2);
}
inline event_t repair_event(int i) {
  return static_cast<event_t>(10 * i + 3);
}
inline event_t break_event(int i) {
  return static_cast<event_t>(10 * i + 4);
}

// Sets the transitions of one state from a list sorted by event.
inline void set_row(state_node *node, const std::vector<tran_entry> &row) {
  node->numelts = static_cast<uint16_t>(row.size());
  node->next = row.empty() ? nullptr : MALLOC_N<tran_entry>(row.size());
  for (size_t j = 0; j < row.size(); j++) node->next[j] = row[j];
}

inline bench_des make_machine(int i) {
  bench_des m{3, newdes(3)};
  set_row(&m.des[0], {make_tran(start_event(i), 1)});
  set_row(&m.des[1], {make_tran(finish_event(i), 0), make_tran(break_event(i), 2)});
  set_row(&m.des[2], {make_tran(repair_event(i), 0)});
  m.des[0].marked = 1;
  return m;
}

inline bench_des make_buffer(int i, int capacity) {
  bench_des b{capacity + 1, newdes(capacity + 1)};
  for (state_t level = 0; level <= capacity; level++) {
    std::vector<tran_entry> row;
    if (level < capacity) row.push_back(make_tran(finish_event(i), level + 1));
    if (level > 0) row.push_back(make_tran(start_event(i + 1), level - 1));
    set_row(&b.des[level], row);
  }
  b.des[0].marked = 1;
  return b;
}

// Synchronous product of the parts, left to right; the parts are released. Returns n = 0 when a
// product is refused (mem_result set).
inline bench_des sync_all(std::vector<bench_des> parts) {
  bench_des acc = parts[0];
  for (size_t p = 1; p < parts.size(); p++) {
    bench_des next;
    sync2(acc.n, acc.des, parts[p].n, parts[p].des, &next.n, &next.des, nullptr, nullptr);
    freedes(acc.n, &acc.des);
    freedes(parts[p].n, &parts[p].des);
    acc = next;
  }
  return acc;
}

// The line's plant: all machines in parallel (3^machines states).
inline bench_des make_line_plant(int machines) {
  std::vector<bench_des> parts;
  for (int i = 1; i <= machines; i++) parts.push_back(make_machine(i));
  return sync_all(parts);
}

// The line's specification: all buffers in parallel, with selfloops on the plant events that
// no buffer uses (start of the first machine, finish of the last, every break and repair). The
// last buffer holds `last_capacity` parts when that is given, the others `capacity`.
inline bench_des make_line_spec(int machines, int capacity, int last_capacity = -1) {
  std::vector<event_t> free_events = {start_event(1), finish_event(machines)};
  for (int i = 1; i <= machines; i++) {
    free_events.push_back(repair_event(i));
    free_events.push_back(break_event(i));
  }
  std::sort(free_events.begin(), free_events.end());
  if (machines == 1) {
    bench_des one{1, newdes(1)};
    one.des[0].marked = 1;
    gentran(static_cast<uint16_t>(free_events.size()), free_events.data(), one.n, one.des);
    return one;
  }
  std::vector<bench_des> parts;
  for (int i = 1; i < machines; i++)
    parts.push_back(
        make_buffer(i, i + 1 == machines && last_capacity >= 0 ? last_capacity : capacity));
  bench_des spec = sync_all(parts);
  gentran(static_cast<uint16_t>(free_events.size()), free_events.data(), spec.n, spec.des);
  return spec;
}

// Supcon as the compute engine runs it: meet, release the specification, fixed point.
inline bench_des run_supcon(bench_des plant, bench_des spec) {
  bench_des t;
  pair_code_t *codes;
  meet2(plant.n, plant.des, spec.n, spec.des, &t.n, &t.des, nullptr, &codes);
  freedes(spec.n, &spec.des);
  shave1(plant.n, plant.des, &t.n, &t.des, codes);
  free(codes);
  return t;
}

#endif
