// The catalogue's transform procedures: Selfloop (1), Mutex (6), Complement (10), Allevents (17),
// BFS-recode (19) and Supclo (20). Each is a catalogue row run by the common compute frame; this
// module holds their algorithm steps.
#ifndef SARV_ENGINE_TRANSFORM_PROCEDURES_H
#define SARV_ENGINE_TRANSFORM_PROCEDURES_H

#include <cstdio>

#include "engine/catalogue.h"

// Ends the compute process with MURN_STATE_LIMIT when a product step (meet2, sync2) answered
// PRODUCT_STATE_LIMIT; any other answer returns, leaving mem_result to the frame.
void fail_over_state_limit(int product_result);

// Algorithm steps, one per row: they read job->input (request order) and the job's list and
// leave the result in job->output; the frame answers MURN_OUT_OF_MEMORY when mem_result is set.
void selfloop_steps(compute_job *job);    // input with a selfloop on each listed event
void mutex_steps(compute_job *job);       // sync, mutex with the excluded pairs, reach
void complement_steps(compute_job *job);  // complement over its events and the list, reach
void allevent_steps(compute_job *job);    // one marked state with every event of the input
void bfs_recode_steps(compute_job *job);  // reach, then breadth-first renumbering
void supclo_steps(compute_job *job);      // supremal closed sublanguage of the marked language

#endif
