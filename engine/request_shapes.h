// The signatures of the named request functions. A row of engine/procedures.def names its shape;
// the declaration (engine/protocol.h) and the definition (engine/request.cpp) are generated from it,
// and the catalogue checks at compile time that the shape fits the row's inputs, list and result.
// Every request function takes the output name first, then the input names in request order,
// then the list (Selfloop passes the count before the list).
#ifndef SARV_ENGINE_REQUEST_SHAPES_H
#define SARV_ENGINE_REQUEST_SHAPES_H

#include <cstdint>

#include "engine/catalogue.h"

// What a shape passes on: input names, list kind, result kind.
struct request_shape {
  int inputs;
  list_kind list;
  result_kind result;
};

#define REQUEST_1(fn) int fn(const char *output, const char *in1)
#define REQUEST_2(fn) int fn(const char *output, const char *in1, const char *in2)
#define REQUEST_1_EVENTS(fn) \
  int fn(const char *output, const char *in1, const event_t *list, int count)
#define REQUEST_1_COUNT_EVENTS(fn) \
  int fn(const char *output, const char *in1, int count, const event_t *list)
#define REQUEST_2_EVENTS(fn) \
  int fn(const char *output, const char *in1, const char *in2, const event_t *list, int count)
#define REQUEST_1_PAIRS(fn) \
  int fn(const char *output, const char *in1, const state_pair *list, int count)
#define REQUEST_2_PAIRS(fn) \
  int fn(const char *output, const char *in1, const char *in2, const state_pair *list, int count)
#define REQUEST_1_QUADS(fn) int fn(const char *output, const char *in1, const quad *list, int count)
#define REQUEST_3_BOUND_RATIO(fn)                                                               \
  int fn(const char *output, const char *in1, const char *in2, const char *in3, int32_t *bound, \
         float *ratio)

// The body of each shape: the names in request order, then run_request.
#define REQUEST_1_BODY(ID)             \
  const char *names[] = {in1, output}; \
  return run_request(ID, names, nullptr, 0);
#define REQUEST_2_BODY(ID)                  \
  const char *names[] = {in1, in2, output}; \
  return run_request(ID, names, nullptr, 0);
#define REQUEST_1_EVENTS_BODY(ID)      \
  const char *names[] = {in1, output}; \
  return run_request(ID, names, list, count);
#define REQUEST_1_COUNT_EVENTS_BODY(ID) REQUEST_1_EVENTS_BODY(ID)
#define REQUEST_2_EVENTS_BODY(ID)           \
  const char *names[] = {in1, in2, output}; \
  return run_request(ID, names, list, count);
#define REQUEST_1_PAIRS_BODY(ID) REQUEST_1_EVENTS_BODY(ID)
#define REQUEST_2_PAIRS_BODY(ID) REQUEST_2_EVENTS_BODY(ID)
#define REQUEST_1_QUADS_BODY(ID) REQUEST_1_EVENTS_BODY(ID)
#define REQUEST_3_BOUND_RATIO_BODY(ID)           \
  const char *names[] = {in1, in2, in3, output}; \
  return run_request(ID, names, nullptr, 0, bound, ratio);

// What each shape passes on, for the catalogue's compile-time check.
constexpr request_shape REQUEST_1_SHAPE{1, LIST_NONE, RESULT_CODE};
constexpr request_shape REQUEST_2_SHAPE{2, LIST_NONE, RESULT_CODE};
constexpr request_shape REQUEST_1_EVENTS_SHAPE{1, LIST_EVENTS, RESULT_CODE};
constexpr request_shape REQUEST_1_COUNT_EVENTS_SHAPE{1, LIST_EVENTS, RESULT_CODE};
constexpr request_shape REQUEST_2_EVENTS_SHAPE{2, LIST_EVENTS, RESULT_CODE};
constexpr request_shape REQUEST_1_PAIRS_SHAPE{1, LIST_STATE_PAIRS, RESULT_CODE};
constexpr request_shape REQUEST_2_PAIRS_SHAPE{2, LIST_STATE_PAIRS, RESULT_CODE};
constexpr request_shape REQUEST_1_QUADS_SHAPE{1, LIST_QUADS, RESULT_CODE};
constexpr request_shape REQUEST_3_BOUND_RATIO_SHAPE{3, LIST_NONE, RESULT_BOUND_RATIO};

#endif
