// Test support: brute-force checks of normality, controllability and language equality under
// projection.
#ifndef SARV_TESTS_SUPPORT_REDUCE_REF_H
#define SARV_TESTS_SUPPORT_REDUCE_REF_H

#include <set>
#include <string>
#include <vector>

#include "support/reference.h"

typedef std::set<event_t> event_set;

// Supnorm by its definition, for deterministic e and g, on strings of at most max_len events:
// the strings s of Lm(e) ∩ Lm(g) with no string t of Lm(g) - Lm(e) of any length whose image
// equals the image of s.
std::set<word> ref_supnorm(const ref_des &e, const ref_des &g, const event_set &erased,
                           int max_len);

// Empty when the closed (marked_only false) or marked language of k is normal with respect to
// that of g on strings of g of at most max_len events; else a description of a violating string.
std::string normality_violation(const ref_des &k, const ref_des &g, const event_set &erased,
                                int max_len, bool marked_only);
// Whether no uncontrollable (even) event g allows after a string of k is missing in k.
bool ref_controllable(const ref_des &k, const ref_des &g);
// Whether a and b (nondeterministic allowed) have equal closed and equal marked languages.
bool same_languages(const ref_des &a, const ref_des &b);

#endif
