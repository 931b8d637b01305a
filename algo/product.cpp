// Breadth-first products of two DES (meet, reversed meet, synchronous product), their pair
// tables, and the selfloop and event-list helpers.
#include "algo/product.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "algo/grow_buf.h"
#include "model/des_supp.h"
#include "model/mymalloc.h"

int64_t product_dense_limit = int64_t{1} << 24;

namespace {

const int STATE_BITS = 22;
const uint64_t STATE_FIELD = (uint64_t{1} << STATE_BITS) - 1;
const int MAX_LIST = 65535;  // entries a state_node can count

uint64_t code_of(uint64_t word) {
  return word >> STATE_BITS;
}

product_index *new_product_index(state_t n1, state_t n2) {
  void *block = MALLOC(sizeof(product_index));
  if (block == nullptr) return nullptr;
  product_index *index = new (block) product_index();
  index->n1 = n1;
  index->n2 = n2;
  int64_t pairs = static_cast<int64_t>(n1) * n2;
  if (pairs <= product_dense_limit) {
    index->dense = MALLOC_N<state_t>(static_cast<size_t>(pairs));
    if (index->dense != nullptr) std::fill(index->dense, index->dense + pairs, -1);
  } else {
    hash_init(&index->hashed, 1024);
  }
  if (index->dense == nullptr && index->hashed.slots == nullptr) free_product_index(&index);
  return index;
}

// Slot of `code` in the hash form, or the free slot where it belongs.
size_t code_slot(const product_index *index, uint64_t code) {
  return hash_find(&index->hashed, code, [code](uint64_t word) { return code_of(word) == code; });
}

state_t lookup_code(const product_index *index, pair_code_t code) {
  if (index->dense != nullptr) return index->dense[code];
  uint64_t word = index->hashed.slots[code_slot(index, static_cast<uint64_t>(code))];
  return word == hash_table<uint64_t>::EMPTY ? -1 : static_cast<state_t>(word & STATE_FIELD);
}

// Joint state of `code`, entering it as state `fresh` when it is new. Returns -1 when the hash
// table cannot grow.
state_t find_or_add(product_index *index, pair_code_t code, state_t fresh) {
  if (index->dense != nullptr) {
    state_t &slot = index->dense[code];
    if (slot < 0) slot = fresh;
    return slot;
  }
  uint64_t key = static_cast<uint64_t>(code);
  size_t at = code_slot(index, key);
  uint64_t word = index->hashed.slots[at];
  if (word != hash_table<uint64_t>::EMPTY) return static_cast<state_t>(word & STATE_FIELD);
  if (!hash_insert(&index->hashed, at, (key << STATE_BITS) | static_cast<uint64_t>(fresh), code_of))
    return -1;
  return fresh;
}

// A reversed joint step, held until every joint state is known.
struct reversed_step {
  state_t to;  // joint state whose list receives the entry
  tran_entry entry;
};

// Work state of one product construction.
struct product_build {
  state_t n1;
  bool reversed;
  product_index *index = nullptr;
  grow_buf<pair_code_t> codes;
  grow_buf<state_node> states;  // forward lists, one record per discovered joint state
  grow_buf<tran_entry> row;     // transitions of the joint state being expanded
  grow_buf<reversed_step> back;
  bool over_limit = false;  // a joint state beyond MAX_STATES was discovered
};

// Joint state of the pair (t1, t2), discovering it when new; -1 when the product must stop.
state_t joint_state(product_build *b, state_t t1, state_t t2) {
  pair_code_t code = make_pair_code(t1, t2, b->n1);
  state_t fresh = static_cast<state_t>(b->codes.len);
  state_t j = find_or_add(b->index, code, fresh);
  if (j != fresh) return j;
  if (fresh >= MAX_STATES) {
    b->over_limit = true;
    return -1;
  }
  if (!b->codes.push(code)) return -1;
  if (!b->reversed && !b->states.push(nil_state_node)) return -1;
  return j;
}

// Hands the collected row to joint state k as its own exactly sized, sorted array.
template <bool Deterministic>
bool store_row(product_build *b, state_t k) {
  size_t count = b->row.len;
  if (count == 0) return true;
  if (count > static_cast<size_t>(MAX_LIST)) return false;
  tran_entry *list = MALLOC_N<tran_entry>(count);
  if (list == nullptr) return false;
  memcpy(list, b->row.items, count * sizeof(tran_entry));
  // Rows come out sorted unless one event pairs several transitions of a nondeterministic input.
  if (!Deterministic && !std::is_sorted(list, list + count, tran_less))
    std::sort(list, list + count, tran_less);
  b->states.items[k].next = list;
  b->states.items[k].numelts = static_cast<uint16_t>(count);
  return true;
}

// Discovers the successors of joint state k = (x1, x2) and stores its row (or, reversed, its
// steps). Deterministic: both inputs carry at most one transition per event at every state.
template <bool Deterministic>
bool expand(product_build *b, state_t k, const state_node &x1, const state_node &x2) {
  b->row.len = 0;
  bool ok = true;
  auto skip = [](tran_entry) { return true; };
  auto both = [&](tran_entry a, tran_entry c) {
    state_t j = joint_state(b, a.target(), c.target());
    if (j < 0) return ok = false;
    if (b->reversed)
      ok = b->back.push(reversed_step{j, make_tran(a.event(), k)});
    else
      ok = b->row.push(make_tran(a.event(), j));
    return ok;
  };
  if (Deterministic)
    merge_walk_deterministic(x1.next, x1.numelts, x2.next, x2.numelts, both, skip, skip);
  else
    merge_walk(x1.next, x1.numelts, x2.next, x2.numelts, both, skip, skip);
  return ok && (b->reversed || store_row<Deterministic>(b, k));
}

// Expands the joint states in order of discovery until none is left or one fails.
template <bool Deterministic>
bool expand_all(product_build *b, const state_node *G1, const state_node *G2) {
  state_t n1 = b->n1;
  bool ok = true;
  for (size_t k = 0; ok && k < b->codes.len; k++) {
    pair_code_t code = b->codes.items[k];
    ok = expand<Deterministic>(b, static_cast<state_t>(k), G1[pair_first(code, n1)],
                               G2[pair_second(code, n1)]);
  }
  return ok;
}

// At most one transition per event at every state (lists are sorted by event).
bool deterministic(state_t n, const state_node *des) {
  for (state_t s = 0; s < n; s++)
    for (int j = 1; j < des[s].numelts; j++)
      if (des[s].next[j].event() == des[s].next[j - 1].event()) return false;
  return true;
}

// Distributes the reversed steps to their joint states: counting sort by receiving state, then
// each list sorted. Fails when a list would exceed what a state can count.
bool place_reversed(product_build *b, state_node *des, state_t n) {
  state_t *fill = static_cast<state_t *>(CALLOC(static_cast<size_t>(n), sizeof(state_t)));
  if (fill == nullptr) return false;
  bool ok = true;
  for (size_t i = 0; i < b->back.len; i++) fill[b->back.items[i].to]++;
  for (state_t s = 0; s < n && ok; s++) {
    if (fill[s] > MAX_LIST)
      ok = false;
    else if (fill[s] > 0)
      ok = (des[s].next = MALLOC_N<tran_entry>(fill[s])) != nullptr;
  }
  if (ok) {
    for (size_t i = 0; i < b->back.len; i++) {
      state_node &node = des[b->back.items[i].to];
      node.next[node.numelts++] = b->back.items[i].entry;
    }
    for (state_t s = 0; s < n; s++) std::sort(des[s].next, des[s].next + des[s].numelts, tran_less);
  }
  free(fill);
  return ok;
}

void release_build(product_build *b) {
  free_product_index(&b->index);
  b->codes.release();
  for (size_t k = 0; k < b->states.len; k++) free(b->states.items[k].next);
  b->states.release();
  b->row.release();
  b->back.release();
}

// Sets the marking of the finished product and hands the DES and the wanted tables to the caller,
// shrunk to the number of joint states; releases the rest.
void hand_over(product_build *b, const state_node *G1, const state_node *G2, state_t *n,
               state_node **des, product_index **index, pair_code_t **pair_codes) {
  state_t count = static_cast<state_t>(b->codes.len);
  state_node *result = b->states.items;
  for (state_t k = 0; k < count; k++) {
    pair_code_t code = b->codes.items[k];
    result[k].marked = G1[pair_first(code, b->n1)].marked & G2[pair_second(code, b->n1)].marked;
  }
  result[0].reached = 1;
  // Shrinking cannot meaningfully fail; a failed shrink keeps the larger, still valid block.
  state_node *exact =
      static_cast<state_node *>(realloc(result, static_cast<size_t>(count) * sizeof(state_node)));
  *des = exact != nullptr ? exact : result;
  *n = count;
  b->states = grow_buf<state_node>();
  pair_code_t *codes = static_cast<pair_code_t *>(
      realloc(b->codes.items, static_cast<size_t>(count) * sizeof(pair_code_t)));
  if (codes != nullptr) b->codes.items = codes;
  if (pair_codes != nullptr) {
    *pair_codes = b->codes.items;
    b->codes = grow_buf<pair_code_t>();
  }
  if (index != nullptr) {
    *index = b->index;
    b->index = nullptr;
  }
  release_build(b);
}

// The common construction of meet2 and nc_meet2.
int build_product(state_t N1, state_node *G1, state_t N2, state_node *G2, bool reversed, state_t *n,
                  state_node **des, product_index **index, pair_code_t **pair_codes) {
  *n = 0;
  *des = nullptr;
  if (index != nullptr) *index = nullptr;
  if (pair_codes != nullptr) *pair_codes = nullptr;
  if (N1 <= 0 || N2 <= 0) return PRODUCT_DONE;
  product_build b;
  b.n1 = N1;
  b.reversed = reversed;
  bool ok = N1 <= MAX_STATES && N2 <= MAX_STATES;
  if (ok) ok = (b.index = new_product_index(N1, N2)) != nullptr;
  if (ok) ok = joint_state(&b, 0, 0) == 0;
  if (ok && deterministic(N1, G1) && deterministic(N2, G2))
    ok = expand_all<true>(&b, G1, G2);
  else if (ok)
    ok = expand_all<false>(&b, G1, G2);
  state_t count = static_cast<state_t>(b.codes.len);
  if (ok && reversed) ok = (b.states.items = newdes(count)) != nullptr;
  if (ok && reversed) {
    b.states.len = b.states.cap = static_cast<size_t>(count);
    ok = place_reversed(&b, b.states.items, count);
  }
  if (!ok) {
    mem_result = 1;
    release_build(&b);
    return b.over_limit ? PRODUCT_STATE_LIMIT : PRODUCT_FAILED;
  }
  hand_over(&b, G1, G2, n, des, index, pair_codes);
  return PRODUCT_DONE;
}

}  // namespace

state_t product_lookup(const product_index *index, state_t s1, state_t s2) {
  if (index == nullptr || s1 < 0 || s2 < 0 || s1 >= index->n1 || s2 >= index->n2) return -1;
  return lookup_code(index, make_pair_code(s1, s2, index->n1));
}

void free_product_index(product_index **index) {
  if (*index == nullptr) return;
  free((*index)->dense);
  hash_release(&(*index)->hashed);
  free(*index);
  *index = nullptr;
}

int meet2(state_t N1, state_node *G1, state_t N2, state_node *G2, state_t *n, state_node **des,
          product_index **index, pair_code_t **pair_codes) {
  return build_product(N1, G1, N2, G2, false, n, des, index, pair_codes);
}

int nc_meet2(state_t N1, state_node *G1, state_t N2, state_node *G2, state_t *n, state_node **des,
             product_index **index, pair_code_t **pair_codes) {
  return build_product(N1, G1, N2, G2, true, n, des, index, pair_codes);
}

int sync2(state_t N1, state_node *G1, state_t N2, state_node *G2, state_t *n, state_node **des,
          product_index **index, pair_code_t **pair_codes) {
  *n = 0;
  *des = nullptr;
  if (index != nullptr) *index = nullptr;
  if (pair_codes != nullptr) *pair_codes = nullptr;
  if (N1 <= 0 || N2 <= 0) return PRODUCT_DONE;
  uint16_t c1, c2, ca, cb;
  event_t *E1, *E2, *A = nullptr, *B = nullptr;
  gentranlist(N1, G1, &c1, &E1);
  gentranlist(N2, G2, &c2, &E2);
  gensublist(c1, E1, c2, E2, &ca, &A, &cb, &B);
  gentran(cb, B, N1, G1);
  gentran(ca, A, N2, G2);
  int result = mem_result ? PRODUCT_FAILED : meet2(N1, G1, N2, G2, n, des, index, pair_codes);
  free(E1);
  free(E2);
  free(A);
  free(B);
  return result;
}

void gentranlist(state_t n, const state_node *des, uint16_t *count, event_t **events) {
  bool seen[1024] = {};
  for (state_t s = 0; s < n; s++)
    for (int j = 0; j < des[s].numelts; j++) seen[des[s].next[j].event()] = true;
  *count = 0;
  *events = nullptr;
  int distinct = static_cast<int>(std::count(seen, seen + 1024, true));
  if (distinct == 0 || (*events = MALLOC_N<event_t>(static_cast<size_t>(distinct))) == nullptr)
    return;
  for (int e = 0; e < 1024; e++)
    if (seen[e]) (*events)[(*count)++] = static_cast<event_t>(e);
}

void gensublist(uint16_t c1, const event_t *E1, uint16_t c2, const event_t *E2, uint16_t *ca,
                event_t **A, uint16_t *cb, event_t **B) {
  *ca = *cb = 0;
  *A = c1 > 0 ? MALLOC_N<event_t>(c1) : nullptr;
  *B = c2 > 0 ? MALLOC_N<event_t>(c2) : nullptr;
  if ((c1 > 0 && *A == nullptr) || (c2 > 0 && *B == nullptr)) return;
  *ca = event_difference(E1, c1, E2, c2, *A);
  *cb = event_difference(E2, c2, E1, c1, *B);
  if (*ca == 0) {
    free(*A);
    *A = nullptr;
  }
  if (*cb == 0) {
    free(*B);
    *B = nullptr;
  }
}

void gentran(uint16_t count, const event_t *events, state_t n, state_node *des) {
  if (count == 0) return;
  grow_buf<tran_entry> merged;
  for (state_t k = 0; k < n && !mem_result; k++) {
    state_node &node = des[k];
    merged.len = 0;
    if (!merged.reserve(static_cast<size_t>(node.numelts) + count)) break;
    int i = 0, j = 0;
    while (i < node.numelts || j < count) {
      tran_entry loop = j < count ? make_tran(events[j], k) : tran_entry{0};
      if (j == count || (i < node.numelts && tran_less(node.next[i], loop)))
        merged.items[merged.len++] = node.next[i++];
      else if (i == node.numelts || tran_less(loop, node.next[i]))
        merged.items[merged.len++] = loop, j++;
      else
        merged.items[merged.len++] = node.next[i++], j++;
    }
    if (merged.len == node.numelts) continue;
    tran_entry *list = nullptr;
    if (merged.len > static_cast<size_t>(MAX_LIST))
      mem_result = 1;
    else
      list = MALLOC_N<tran_entry>(merged.len);
    if (list == nullptr) break;
    memcpy(list, merged.items, merged.len * sizeof(tran_entry));
    free(node.next);
    node.next = list;
    node.numelts = static_cast<uint16_t>(merged.len);
  }
  merged.release();
}
