// The catalogue's procedures on vocal DES: Convert (12), Vocalize (13), Outconsis (14), Hiconsis
// (15, multiple new outputs; 25, a single one) and Higen (16). Each is a catalogue row run by the
// common compute frame; this module holds their algorithm steps.
#ifndef SARV_ENGINE_HIER_PROCEDURES_H
#define SARV_ENGINE_HIER_PROCEDURES_H

#include "engine/catalogue.h"

// Algorithm steps, one per row: they read job->input[0] and the job's list and leave the result
// in job->output. Outconsis, Hiconsis and Higen end the process with MURN_VOCAL_STATE0 when state
// 0 of the input is vocal; Hiconsis with MURN_VOCAL_OVERFLOW when the free outputs run out;
// Convert and Higen with MURN_LABEL_OVERFLOW (after the overflow message on standard output)
// when relabelling runs out of labels; Vocalize with MURN_BAD_REQUEST when its list names two
// outputs for one transition.
void convert_steps(compute_job *job);    // relabel by the pairs, project away fresh labels
void vocalize_steps(compute_job *job);   // vocalize the entrance states of the quads
void outconsis_steps(compute_job *job);  // output-control-consistent coding
void hiconsis_steps(compute_job *job);   // hierarchical consistency, a new output per state
void hiconsis1_steps(compute_job *job);  // hierarchical consistency, one shared new output
void higen_steps(compute_job *job);      // high-level generator, projected and minimized

#endif
