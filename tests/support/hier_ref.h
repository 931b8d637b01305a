// Test support: brute-force checks for the procedures on vocal DES.
#ifndef SARV_TESTS_SUPPORT_HIER_REF_H
#define SARV_TESTS_SUPPORT_HIER_REF_H

#include <string>
#include <utility>
#include <vector>

#include "support/reference.h"

// Empty when every vocal state entered from a reachable state carries a coded output 10b + c
// where c is the colour (1 when the silent segment holds an odd event) of every segment entering
// it; else the first violation. Walks the (state, colour) pairs reachable from (0, 0).
std::string occ_violation(const state_node *des, state_t n);

// How walk_difference compares outputs.
enum output_check { IGNORE_OUTPUTS, SAME_BASE, SAME_BASE_WHERE_FIRST_VOCAL };

// Empty when deterministic a and b generate and mark the same strings and, by `check`, each
// string leads to states of the same base output; else the first difference. Walks state pairs.
std::string walk_difference(const ref_des &a, const ref_des &b, output_check check);

// The DES whose transitions carry the output of the state they enter (0 when silent), marked at
// where g is, and also at a vocal state k >= 1 that reaches a marked silent state through silent
// states other than 0.
ref_des ref_entrance_labelled(const ref_des &g);

// Every transition relabelled by the first pair (old, new) with its old label (pairs sorted).
ref_des ref_relabelled(const ref_des &g, const std::vector<std::pair<int, int>> &pairs);

// A random deterministic vocal DES with silent state 0, outputs drawn from 10..99.
void make_random_vocal(std::mt19937 &rng, state_t states, int max_out, owned_des *out);

// The vocalization loop of hierarchical consistency, slow and obvious: blocking sets by search
// from the target, dedicated sets by search over the transitions that do not block, everything
// searched again for every test. Returns 1 on output overflow.
int ref_hcc(ref_des *g, int version);
#endif
