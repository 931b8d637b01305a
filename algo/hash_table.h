// The one hash table of the algorithms: open addressing with linear probing over words that the
// caller packs (a joint state with its pair code, a subset number, an assumed state pair).
#ifndef SARV_ALGO_HASH_TABLE_H
#define SARV_ALGO_HASH_TABLE_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "model/mymalloc.h"

// Holds words of type Word (an unsigned integer); the all-ones word marks a free slot and cannot
// be stored. The table stores words only: how a word's key is hashed and compared is the
// caller's, passed to each call. The slot count is a power of two and the table is kept at most
// half full, so a probe meets a free slot after a few steps on average. Start from all-zero
// fields and call hash_init; hash_release frees the slots.
template <typename Word>
struct hash_table {
  static constexpr Word EMPTY = static_cast<Word>(~Word{0});
  Word *slots = nullptr;
  size_t slot_count = 0;  // power of two
  size_t entries = 0;     // occupied slots
  int shift = 64;         // 64 - log2(slot_count)
};

// Allocates `slot_count` (a power of two, at least 2) free slots; false (mem_result set) when the
// allocation fails.
template <typename Word>
bool hash_init(hash_table<Word> *t, size_t slot_count) {
  t->slots = MALLOC_N<Word>(slot_count);
  if (t->slots == nullptr) return false;
  std::fill(t->slots, t->slots + slot_count, hash_table<Word>::EMPTY);
  t->slot_count = slot_count;
  t->entries = 0;
  t->shift = 64 - __builtin_ctzll(slot_count);
  return true;
}

template <typename Word>
void hash_release(hash_table<Word> *t) {
  free(t->slots);
  *t = hash_table<Word>();
}

// Home slot of a key hash: the top bits of its product with 2^64 / golden ratio.
template <typename Word>
size_t hash_home(const hash_table<Word> *t, uint64_t hash) {
  return static_cast<size_t>((hash * 0x9E3779B97F4A7C15ull) >> t->shift);
}

// Slot of the stored word for which same(word) holds, probing from the home slot of `hash`; when
// there is none, the free slot where such a word belongs. Time: O(1) expected.
template <typename Word, typename Same>
size_t hash_find(const hash_table<Word> *t, uint64_t hash, Same same) {
  size_t mask = t->slot_count - 1;
  size_t at = hash_home(t, hash);
  while (t->slots[at] != hash_table<Word>::EMPTY && !same(t->slots[at])) at = (at + 1) & mask;
  return at;
}

// Stores `word` in the free slot `at` that hash_find returned, then doubles the table when it is
// more than half full, placing every word again by hash_of(word). Returns false (mem_result set)
// when the doubling fails; the word is stored either way and the table stays usable.
// Time: O(1) amortised.
template <typename Word, typename HashOf>
bool hash_insert(hash_table<Word> *t, size_t at, Word word, HashOf hash_of) {
  t->slots[at] = word;
  t->entries++;
  if (t->entries * 2 <= t->slot_count) return true;
  hash_table<Word> grown;
  if (!hash_init(&grown, t->slot_count * 2)) return false;
  size_t mask = grown.slot_count - 1;
  for (size_t i = 0; i < t->slot_count; i++) {
    Word w = t->slots[i];
    if (w == hash_table<Word>::EMPTY) continue;
    size_t to = hash_home(&grown, hash_of(w));
    while (grown.slots[to] != hash_table<Word>::EMPTY) to = (to + 1) & mask;
    grown.slots[to] = w;
  }
  grown.entries = t->entries;
  hash_release(t);
  *t = grown;
  return true;
}

#endif
