// Supremal normal sublanguages: Supnorm by complements and a projection, and the Supnormclo and
// Supscop iterations built on it.
#include "algo/normality.h"

#include <cstdlib>
#include <cstring>

#include "algo/compare.h"
#include "algo/des_proc.h"
#include "algo/minimize.h"
#include "algo/product.h"
#include "algo/project.h"
#include "algo/supcon.h"
#include "algo/transform.h"
#include "model/des_supp.h"
#include "model/mymalloc.h"

long cnorm_round_limit = 100000;

namespace {

// A DES owned by one step of a procedure; released when it goes out of scope.
struct held_des {
  state_t n = 0;
  state_node *d = nullptr;

  held_des() = default;
  held_des(const held_des &) = delete;
  held_des &operator=(const held_des &) = delete;
  ~held_des() { clear(); }
  void clear() {
    freedes(n, &d);
    d = nullptr;
    n = 0;
  }
  void take(held_des *from) {
    clear();
    n = from->n;
    d = from->d;
    from->n = 0;
    from->d = nullptr;
  }
};

// An event list owned by one step.
struct held_events {
  event_t *items = nullptr;
  uint16_t count = 0;

  held_events() = default;
  held_events(const held_events &) = delete;
  held_events &operator=(const held_events &) = delete;
  ~held_events() { free(items); }
};

void mark_all(held_des *g) {
  for (state_t s = 0; s < g->n; s++) g->d[s].marked = 1;
}

// Supnorm on deterministic inputs, steps as the module describes; *R receives the result.
int normal_core(state_node *E, state_t nE, state_node *G, state_t nG, held_des *R,
                const event_t *nulls, uint16_t ncount) {
  held_des K, Kc, X, AG, Y;
  held_events sigma_k, sigma_g, sigma_y, d1, d2;
  meet2(nE, E, nG, G, &K.n, &K.d, nullptr, nullptr);
  if (mem_result) return CNORM_NO_MEMORY;
  if (K.n == 0) return CNORM_DONE;  // no common string: every later meet with K is empty too

  // The complement of K over the events of K and G: its meet with G marks Lm(G) - K.
  allevent_des(&G, &nG, &AG.d, &AG.n);
  get_event_list(K.n, K.d, &sigma_k.items, &sigma_k.count);
  get_event_list(nG, G, &sigma_g.items, &sigma_g.count);
  get_event_diff(&d1.items, &d1.count, sigma_g.items, sigma_g.count, sigma_k.items, sigma_k.count);
  if (mem_result) return CNORM_NO_MEMORY;
  copy_des(&Kc.d, &Kc.n, K.d, K.n);
  if (mem_result) return CNORM_NO_MEMORY;
  complement1(&Kc.n, &Kc.d, d1.count, d1.items);
  if (mem_result) return CNORM_NO_MEMORY;
  reach(&Kc.n, &Kc.d);
  if (mem_result) return CNORM_NO_MEMORY;
  meet2(nG, G, Kc.n, Kc.d, &X.n, &X.d, nullptr, nullptr);
  Kc.clear();
  if (mem_result) return CNORM_NO_MEMORY;

  // Y marks P⁻¹P(Lm(G) - K): project, then selfloop every event of G the projection lost.
  project0(&X.n, &X.d, ncount, nulls);
  if (mem_result) return CNORM_NO_MEMORY;
  sync2(X.n, X.d, AG.n, AG.d, &Y.n, &Y.d, nullptr, nullptr);
  X.clear();
  AG.clear();
  if (mem_result) return CNORM_NO_MEMORY;

  // R = K minus what Y marks, over the events of K and Y.
  get_event_list(Y.n, Y.d, &sigma_y.items, &sigma_y.count);
  get_event_diff(&d2.items, &d2.count, sigma_k.items, sigma_k.count, sigma_y.items, sigma_y.count);
  if (mem_result) return CNORM_NO_MEMORY;
  complement1(&Y.n, &Y.d, d2.count, d2.items);
  if (mem_result) return CNORM_NO_MEMORY;
  reach(&Y.n, &Y.d);
  if (mem_result) return CNORM_NO_MEMORY;
  meet2(K.n, K.d, Y.n, Y.d, &R->n, &R->d, nullptr, nullptr);
  if (mem_result) return CNORM_NO_MEMORY;

  for (state_t s = 0; s < R->n; s++) R->d[s].reached = 0;
  trim1(&R->n, &R->d);
  if (mem_result) return CNORM_NO_MEMORY;
  for (state_t s = 0; s < R->n; s++) R->d[s].reached = s == 0;
  reach(&R->n, &R->d);
  if (mem_result) return CNORM_NO_MEMORY;
  minimize2(&R->n, &R->d);
  return mem_result ? CNORM_NO_MEMORY : CNORM_DONE;
}

// Stopping test of the iterations: 1 when K is the previous round's Kp again. Both are trim and
// minimal deterministic DES from the second round on, so isomorphism is language equality there.
// `exact` 0 asks only for equal counts (iso_sizecount).
int settled(held_des *K, held_des *Kp, bool exact) {
  for (state_t s = 0; s < K->n; s++) K->d[s].reached = 0;
  for (state_t s = 0; s < Kp->n; s++) Kp->d[s].reached = 0;
  if (K->n == 0 && Kp->n == 0) return 1;
  if (!exact) return iso_sizecount(K->n, K->d, Kp->n, Kp->d);
  if (K->n != Kp->n) return 0;
  state_t *corr = MALLOC_N<state_t>(static_cast<size_t>(K->n));
  if (corr == nullptr) return 0;
  for (state_t s = 0; s < K->n; s++) corr[s] = -1;
  int same = 0;
  iso1(K->n, Kp->n, K->d, Kp->d, &same, corr);
  free(corr);
  return same;
}

// Last steps of one round of the iterations: reaches and minimizes K and compares it with the
// previous round's Kp. *done tells whether the iteration has settled; gives up with
// CNORM_NO_FIXED_POINT once `round` reaches cnorm_round_limit unsettled.
// Departure from the classic procedure: a round limit reached is its own result, not "out of
// memory".
int close_round(held_des *K, held_des *Kp, bool exact, long round, bool *done) {
  reach(&K->n, &K->d);
  if (mem_result) return CNORM_NO_MEMORY;
  minimize2(&K->n, &K->d);
  if (mem_result) return CNORM_NO_MEMORY;
  *done = settled(K, Kp, exact) != 0;
  if (mem_result) return CNORM_NO_MEMORY;
  if (!*done && round >= cnorm_round_limit) return CNORM_NO_FIXED_POINT;
  return CNORM_DONE;
}

// Supnormclo on deterministic inputs; *R receives the result.
int normal_clo_core(state_node *E, state_t nE, state_node *G, state_t nG, held_des *R,
                    const event_t *nulls, uint16_t ncount, bool exact) {
  held_des Gm, K, Kp;
  copy_des(&Gm.d, &Gm.n, G, nG);
  copy_des(&K.d, &K.n, E, nE);
  if (mem_result) return CNORM_NO_MEMORY;
  mark_all(&Gm);
  for (long round = 1;; round++) {
    Kp.take(&K);
    held_des Km, S, C;
    copy_des(&Km.d, &Km.n, Kp.d, Kp.n);
    if (mem_result) return CNORM_NO_MEMORY;
    mark_all(&Km);
    int status = normal_core(Km.d, Km.n, Gm.d, Gm.n, &S, nulls, ncount);
    if (status != CNORM_DONE) return status;
    Km.clear();
    supclo_des(&S.d, &S.n, &C.d, &C.n);
    S.clear();
    if (mem_result) return CNORM_NO_MEMORY;
    meet2(Kp.n, Kp.d, C.n, C.d, &K.n, &K.d, nullptr, nullptr);
    C.clear();
    if (mem_result) return CNORM_NO_MEMORY;
    trim1(&K.n, &K.d);
    if (mem_result) return CNORM_NO_MEMORY;
    bool done = false;
    status = close_round(&K, &Kp, exact, round, &done);
    if (status != CNORM_DONE) return status;
    if (done) break;
  }
  R->take(&K);
  return CNORM_DONE;
}

// Supscop on deterministic inputs; `exact` chooses the outer stopping test only, the inner
// Supnormclo always runs to isomorphism.
int normal_scop_core(state_node *E, state_t nE, state_node *G, state_t nG, held_des *R,
                     const event_t *nulls, uint16_t ncount, bool exact) {
  held_des K, Kp;
  copy_des(&K.d, &K.n, E, nE);
  if (mem_result) return CNORM_NO_MEMORY;
  for (long round = 1;; round++) {
    Kp.take(&K);
    held_des A, B;
    int status = normal_clo_core(Kp.d, Kp.n, G, nG, &A, nulls, ncount, true);
    if (status != CNORM_DONE) return status;
    status = normal_core(A.d, A.n, G, nG, &B, nulls, ncount);
    if (status != CNORM_DONE) return status;
    A.clear();
    pair_code_t *codes = nullptr;
    meet2(nG, G, B.n, B.d, &K.n, &K.d, nullptr, &codes);
    B.clear();
    if (!mem_result) shave1(nG, G, &K.n, &K.d, codes);
    free(codes);
    if (mem_result) return CNORM_NO_MEMORY;
    bool done = false;
    status = close_round(&K, &Kp, exact, round, &done);
    if (status != CNORM_DONE) return status;
    if (done) break;
  }
  R->take(&K);
  return CNORM_DONE;
}

// Checked entry of every procedure: refuses nondeterministic inputs, runs `core` and hands the
// result over only on success.
template <typename Core>
int run_checked(state_node *E, state_t nE, state_node *G, state_t nG, state_node **out,
                state_t *nout, Core core) {
  *out = nullptr;
  *nout = 0;
  if (checkdet(nE, E) != 1 || checkdet(nG, G) != 1) return CNORM_NONDETERMINISTIC;
  held_des R;
  int status = core(&R);
  if (status == CNORM_DONE && mem_result) status = CNORM_NO_MEMORY;
  if (status != CNORM_DONE) return status;
  *out = R.d;
  *nout = R.n;
  R.d = nullptr;
  R.n = 0;
  return CNORM_DONE;
}

}  // namespace

int suprema_normal(state_node *E, state_t nE, state_node *G, state_t nG, state_node **out,
                   state_t *nout, const event_t *nulls, uint16_t ncount) {
  return run_checked(E, nE, G, nG, out, nout,
                     [&](held_des *R) { return normal_core(E, nE, G, nG, R, nulls, ncount); });
}

int suprema_normal_clo(state_node *E, state_t nE, state_node *G, state_t nG, state_node **out,
                       state_t *nout, const event_t *nulls, uint16_t ncount) {
  return run_checked(E, nE, G, nG, out, nout, [&](held_des *R) {
    return normal_clo_core(E, nE, G, nG, R, nulls, ncount, true);
  });
}

int suprema_normal_clo1(state_node *E, state_t nE, state_node *G, state_t nG, state_node **out,
                        state_t *nout, const event_t *nulls, uint16_t ncount) {
  return run_checked(E, nE, G, nG, out, nout, [&](held_des *R) {
    return normal_clo_core(E, nE, G, nG, R, nulls, ncount, false);
  });
}

int suprema_normal_scop(state_node *E, state_t nE, state_node *G, state_t nG, state_node **out,
                        state_t *nout, const event_t *nulls, uint16_t ncount) {
  return run_checked(E, nE, G, nG, out, nout, [&](held_des *R) {
    return normal_scop_core(E, nE, G, nG, R, nulls, ncount, true);
  });
}

int suprema_normal_scop1(state_node *E, state_t nE, state_node *G, state_t nG, state_node **out,
                         state_t *nout, const event_t *nulls, uint16_t ncount) {
  return run_checked(E, nE, G, nG, out, nout, [&](held_des *R) {
    return normal_scop_core(E, nE, G, nG, R, nulls, ncount, false);
  });
}

void copy_des(state_node **out, state_t *nout, const state_node *des, state_t n) {
  *out = nullptr;
  *nout = 0;
  if (n <= 0) return;
  state_node *copy = newdes(n);
  if (copy == nullptr) return;
  for (state_t s = 0; s < n; s++) {
    copy[s] = des[s];
    copy[s].next = nullptr;
    copy[s].numelts = 0;
    uint16_t count = des[s].numelts;
    if (count == 0) continue;
    tran_entry *list = MALLOC_N<tran_entry>(count);
    if (list == nullptr) {
      freedes(n, &copy);
      return;
    }
    memcpy(list, des[s].next, count * sizeof(tran_entry));
    copy[s].next = list;
    copy[s].numelts = count;
  }
  *out = copy;
  *nout = n;
}

void get_event_list(state_t n, const state_node *des, event_t **list, uint16_t *count) {
  gentranlist(n, des, count, list);
  if (mem_result) *count = 0;
}

void get_event_diff(event_t **list, uint16_t *count, const event_t *A, uint16_t ca,
                    const event_t *B, uint16_t cb) {
  uint16_t j = 0;
  for (uint16_t i = 0; i < ca && !mem_result; i++) {
    while (j < cb && B[j] < A[i]) j++;
    if (j < cb && B[j] == A[i]) continue;
    int added;
    addordlist(A[i], list, *count, &added);
    *count = static_cast<uint16_t>(*count + added);
  }
}

int iso_sizecount(state_t n1, const state_node *des1, state_t n2, const state_node *des2) {
  return n1 == n2 && num_marked(des1, n1) == num_marked(des2, n2) &&
         count_tran(des1, n1) == count_tran(des2, n2);
}
