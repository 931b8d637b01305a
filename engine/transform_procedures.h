// The catalogue's transform procedures: Selfloop (1), Mutex (6), Complement (10), Allevents (17),
// BFS-recode (19) and Supclo (20). Each is a catalogue row run by the common compute frame; this
// module holds their algorithm steps and the named request and compute wrappers.
#ifndef SARV_ENGINE_TRANSFORM_PROCEDURES_H
#define SARV_ENGINE_TRANSFORM_PROCEDURES_H

#include <cstdio>

#include "engine/catalogue.h"

// Algorithm steps, one per row: they read job->input (request order) and the job's list and
// leave the result in job->output; the frame answers MURN_OUT_OF_MEMORY when mem_result is set.
void selfloop_steps(compute_job *job);    // input with a selfloop on each listed event
void mutex_steps(compute_job *job);       // sync, mutex with the excluded pairs, reach
void complement_steps(compute_job *job);  // complement over its events and the list, reach
void allevent_steps(compute_job *job);    // one marked state with every event of the input
void bfs_recode_steps(compute_job *job);  // reach, then breadth-first renumbering
void supclo_steps(compute_job *job);      // supremal closed sublanguage of the marked language

// Front end: write the request and run the compute process; return its result code. The output
// name comes first, then the inputs, then the list.
int selfloop_runProgram(const char *name2, const char *name1, int count, const event_t *events);
int mutex_runProgram(const char *name3, const char *name1, const char *name2,
                     const state_pair *pairs, int count);
int complement_runProgram(const char *name2, const char *name1, const event_t *events, int count);
int allevent_runProgram(const char *name2, const char *name1);
int bfs_recode_runProgram(const char *name2, const char *name1);
int supclo_runProgram(const char *name2, const char *name1);

// Compute process: the compute functions of the rows, on the request after its header.
void selfloop_program(FILE *request);
void mutex_program(FILE *request);
void complement_program(FILE *request);
void allevent_program(FILE *request);
void bfs_recode_program(FILE *request);
void supclo_program(FILE *request);

#endif
