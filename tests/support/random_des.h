// Test support: seeded random DES and an owning holder that frees them.
#ifndef SARV_TESTS_SUPPORT_RANDOM_DES_H
#define SARV_TESTS_SUPPORT_RANDOM_DES_H

#include <random>
#include <vector>

#include "model/des_data.h"

// Owns a DES (count and state array) for the length of a test.
struct owned_des {
  state_t size = 0;
  state_node *des = nullptr;

  owned_des() = default;
  owned_des(const owned_des &) = delete;
  owned_des &operator=(const owned_des &) = delete;
  ~owned_des() { freedes(size, &des); }
};

struct random_des_options {
  state_t states = 8;
  std::vector<event_t> events = {0, 1, 2, 3};  // labels drawn from this pool
  int max_out = 3;                             // at most this many transitions per state
  double marked_fraction = 0.3;
  bool deterministic = true;  // at most one target per (state, event)
  bool vocal = false;         // give some states an output in 10..99
};

// A uniform draw from lo..hi, as a T.
template <typename T>
T draw(std::mt19937 &rng, long lo, long hi) {
  return static_cast<T>(lo + static_cast<long>(rng() % static_cast<unsigned long>(hi - lo + 1)));
}

// Fills `out` with a random DES; transitions are inserted through the sorted-list operations,
// so the result satisfies des_check.
void make_random_des(std::mt19937 &rng, const random_des_options &options, owned_des *out);

// Builds a DES from (source, event, target) triples and a list of marker states.
struct transition_spec {
  state_t source;
  event_t event;
  state_t target;
};
void make_des(state_t states, const std::vector<transition_spec> &transitions,
              const std::vector<state_t> &marked, owned_des *out);

#endif
