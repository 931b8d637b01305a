// The catalogue's normality and reduction procedures: Supreduce (8), Supnorm (18), Supnormclo
// (21), Supscop (22), Supnormclo1 (23) and Supscop1 (24). This module holds their algorithm steps.
#ifndef SARV_ENGINE_REDUCE_PROCEDURES_H
#define SARV_ENGINE_REDUCE_PROCEDURES_H

#include "engine/catalogue.h"

// Supreduce runs in its own frame: it reads plant, supervisor and control data itself, writes
// DES4 and sets job->bound and job->ratio; a supervisor of one state with at most one transition
// is copied unchanged (bound: its state count, ratio 1), an empty plant or supervisor gives an
// empty DES4. Ends the process with MURN_OUT_OF_MEMORY or MURN_SUPREDUCE_ERROR on failure.
void supreduce_steps(compute_job *job);

// The normality procedures on DES1 (legal language), DES2 (plant) and the null events. A
// nondeterministic input ends the process with MURN_NONDETERMINISTIC; an iteration that does not
// settle within its round limit with MURN_NO_FIXED_POINT.
void supnorm_steps(compute_job *job);
void supnormclo_steps(compute_job *job);
void supscop_steps(compute_job *job);
void supnormclo1_steps(compute_job *job);
void supscop1_steps(compute_job *job);

#endif
