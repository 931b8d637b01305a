// Hierarchical consistency: agents, blocking and dedicated sets, and the vocalization loop.
#include "algo/hicons.h"

#include <cstdlib>

#include "algo/grow_buf.h"
#include "algo/outcon.h"
#include "model/mymalloc.h"
#include "model/progress.h"

namespace {

// One step of a depth-first search: the state and the index of the transition being followed.
struct frame {
  state_t state;
  int next;
};

struct hcc_work {
  state_t n;
  state_node *des;
  int version;               // 0: a new output per vocalized state; 1: one shared output
  uint16_t min_vocal;        // base output the next vocalization uses
  int error_no_more_vocal;   // 1 when no free output is left
  int free_output[100];      // per base output: 1 free, 0 used
  int32_t generation;        // advances with every vocalization; older memo entries are stale
  int32_t *memo_generation;  // per state: generation of its agent and blocking answers
  int8_t *agent_memo;        // per target state: 1 when an odd transition into it is an agent
  state_t *single_memo;      // per target state: c when its blocking set is {c}, else -1
  int32_t *visit;            // per state: stamp of the dedicated-set search that visited it
  int32_t *probe;            // per state: stamp of the agent or blocking search that visited it
  int32_t *dedicated;        // per state: stamp of the dedicated set holding it
  int32_t stamp;
  grow_buf<frame> stack;
  grow_buf<state_t> blocking;       // blocking set of the transition under test
  grow_buf<state_t> scratch;        // blocking set of a path transition inside a dedicated search
  grow_buf<state_t> dedicated_set;  // dedicated set of the state under test
};

bool is_vocal_state(const hcc_work *w, state_t s) {
  return w->des[s].vocal != 0;
}

int32_t next_stamp(hcc_work *w) {
  return ++w->stamp;
}

// Fills w->blocking with the vocal states reachable from `target` through silent states, in the
// order met (just `target` when it is vocal). The target is not entered in the visited stamps,
// so a path back to it searches it again, which adds nothing new.
bool blocking_of_target(hcc_work *w, state_t target, grow_buf<state_t> *out) {
  out->len = 0;
  if (is_vocal_state(w, target)) return out->push(target);
  int32_t mark = next_stamp(w);
  w->stack.len = 0;
  if (!w->stack.push(frame{target, 0})) return false;
  while (w->stack.len > 0) {
    frame &top = w->stack.items[w->stack.len - 1];
    const state_node &node = w->des[top.state];
    if (top.next >= node.numelts) {
      w->stack.len--;
      continue;
    }
    state_t t = node.next[top.next++].target();
    if (w->probe[t] == mark) continue;
    w->probe[t] = mark;
    if (is_vocal_state(w, t)) {
      if (!out->push(t)) return false;
    } else if (!w->stack.push(frame{t, 0})) {
      return false;
    }
  }
  return true;
}

// Blocking set of the transition (e -> target): empty for an uncontrollable event.
bool getblocking_set(hcc_work *w, event_t e, state_t target) {
  w->blocking.len = 0;
  if ((e & 1) == 0) return true;
  return blocking_of_target(w, target, &w->blocking);
}

void refresh_memo(hcc_work *w, state_t s) {
  if (w->memo_generation[s] == w->generation) return;
  w->memo_generation[s] = w->generation;
  w->agent_memo[s] = -1;
  w->single_memo[s] = -2;
}

// Whether an odd transition into `target` is an agent: the target is vocal or reaches a vocal
// state by uncontrollable events through silent states.
int agent_target(hcc_work *w, state_t target, bool *ok) {
  refresh_memo(w, target);
  if (w->agent_memo[target] >= 0) return w->agent_memo[target];
  int answer = 0;
  if (is_vocal_state(w, target)) {
    answer = 1;
  } else {
    int32_t mark = next_stamp(w);
    w->probe[target] = mark;
    grow_buf<frame> search;
    if (!search.push(frame{target, 0})) *ok = false;
    while (*ok && answer == 0 && search.len > 0) {
      frame &top = search.items[search.len - 1];
      const state_node &node = w->des[top.state];
      if (top.next >= node.numelts) {
        search.len--;
        continue;
      }
      tran_entry t = node.next[top.next++];
      if ((t.event() & 1) != 0 || w->probe[t.target()] == mark) continue;
      if (is_vocal_state(w, t.target())) {
        answer = 1;
      } else {
        w->probe[t.target()] = mark;
        if (!search.push(frame{t.target(), 0})) *ok = false;
      }
    }
    search.release();
  }
  w->agent_memo[target] = static_cast<int8_t>(answer);
  return answer;
}

// 1 when the transition (e -> target) is an agent. The source state plays no part.
int agent(hcc_work *w, event_t e, state_t target, bool *ok) {
  if ((e & 1) == 0) return 0;
  return agent_target(w, target, ok);
}

// c when the blocking set of an odd transition into `target` is exactly {c}, else -1.
state_t single_blocking(hcc_work *w, state_t target, bool *ok) {
  refresh_memo(w, target);
  if (w->single_memo[target] != -2) return w->single_memo[target];
  if (!blocking_of_target(w, target, &w->scratch)) *ok = false;
  state_t single = w->scratch.len == 1 ? w->scratch.items[0] : -1;
  w->single_memo[target] = single;
  return single;
}

// Fills w->dedicated_set with the dedicated set of state i and stamps its members in
// w->dedicated. A vocal state c met on a path is taken when no agent transition of the path
// (examined from the last back to the first) has a blocking set other than {c}; otherwise it stays
// unmarked and may be met again on another path. Vocal states are never searched through.
bool getdedicated_set(hcc_work *w, state_t i, int32_t *set_stamp) {
  bool ok = true;
  int32_t mark = next_stamp(w);
  *set_stamp = mark;
  w->dedicated_set.len = 0;
  grow_buf<frame> path;
  if (!path.push(frame{i, 0})) return false;
  while (ok && path.len > 0) {
    frame &top = path.items[path.len - 1];
    const state_node &node = w->des[top.state];
    if (top.next >= node.numelts) {
      path.len--;
      continue;
    }
    tran_entry via = node.next[top.next++];
    state_t c = via.target();
    if (w->visit[c] == mark) continue;
    if (!is_vocal_state(w, c)) {
      w->visit[c] = mark;
      ok = path.push(frame{c, 0});
      continue;
    }
    bool fails = agent(w, via.event(), c, &ok) && single_blocking(w, c, &ok) != c;
    for (size_t d = path.len - 1; ok && !fails && d > 0; d--) {
      const frame &from = path.items[d - 1];
      tran_entry step = w->des[from.state].next[from.next - 1];
      fails =
          agent(w, step.event(), step.target(), &ok) && single_blocking(w, step.target(), &ok) != c;
    }
    if (ok && !fails) {
      w->visit[c] = mark;
      w->dedicated[c] = mark;
      ok = w->dedicated_set.push(c);
    }
  }
  path.release();
  return ok;
}

// 1 when the list a (of na states) is not empty and every member is in the set stamped `stamp`.
int subset(const state_t *a, size_t na, const int32_t *stamps, int32_t stamp) {
  if (na == 0) return 0;
  for (size_t k = 0; k < na; k++)
    if (stamps[a[k]] != stamp) return 0;
  return 1;
}

// Gives state s the output 10v + 1 for the current free base output v.
void vocalize(hcc_work *w, state_t s) {
  set_output(&w->des[s], 10u * w->min_vocal + 1u);
  w->generation++;
  if (w->version == 1) return;
  w->free_output[w->min_vocal] = 0;
  uint16_t v = static_cast<uint16_t>(w->min_vocal + 1);
  while (v <= 99 && !w->free_output[v]) v++;
  if (v > 99)
    w->error_no_more_vocal = 1;
  else
    w->min_vocal = v;
}

void release(hcc_work *w) {
  free(w->memo_generation);
  free(w->agent_memo);
  free(w->single_memo);
  free(w->visit);
  free(w->probe);
  free(w->dedicated);
  w->stack.release();
  w->blocking.release();
  w->scratch.release();
  w->dedicated_set.release();
}

int hiconsis_common(state_t *n, state_node **des, int version) {
  outcon_des(n, des);
  if (mem_result) return 0;
  int overflow = hcc(*n, *des, version);
  if (overflow || mem_result) return overflow;
  outcon_des(n, des);
  return 0;
}

}  // namespace

int hcc(state_t n, state_node *des, int version) {
  hcc_work w{};
  w.n = n;
  w.des = des;
  w.version = version;
  size_t count = n > 0 ? static_cast<size_t>(n) : 1;
  w.memo_generation = static_cast<int32_t *>(CALLOC(count, sizeof(int32_t)));
  w.agent_memo = static_cast<int8_t *>(CALLOC(count, sizeof(int8_t)));
  w.single_memo = static_cast<state_t *>(CALLOC(count, sizeof(state_t)));
  w.visit = static_cast<int32_t *>(CALLOC(count, sizeof(int32_t)));
  w.probe = static_cast<int32_t *>(CALLOC(count, sizeof(int32_t)));
  w.dedicated = static_cast<int32_t *>(CALLOC(count, sizeof(int32_t)));
  bool ok = w.memo_generation && w.agent_memo && w.single_memo && w.visit && w.probe && w.dedicated;
  w.generation = 1;
  for (int v = 0; v < 100; v++) w.free_output[v] = 1;
  for (state_t s = 0; ok && s < n; s++)
    if (des[s].vocal != 0) w.free_output[base_output(des[s].vocal) % 100] = 0;
  w.min_vocal = 10;
  while (w.min_vocal <= 99 && !w.free_output[w.min_vocal]) w.min_vocal++;
  if (ok && w.min_vocal > 99) w.error_no_more_vocal = 1;
  long visited = 0;
  int pass = 0;
  while (ok && !w.error_no_more_vocal && !pass) {
    pass = 1;
    for (state_t i = 0; ok && i < n && !w.error_no_more_vocal; i++) {
      if (visited % 10 == 0)
        progress_line("HCC: %ld %ld %ld", static_cast<long>(n), visited, static_cast<long>(pass));
      visited++;
      int32_t set_stamp = 0, set_generation = 0;
      for (int j = 0; ok && j < des[i].numelts; j++) {
        tran_entry t = des[i].next[j];
        if (!agent(&w, t.event(), t.target(), &ok)) continue;
        if (set_generation != w.generation) {
          ok = ok && getdedicated_set(&w, i, &set_stamp);
          set_generation = w.generation;
        }
        ok = ok && getblocking_set(&w, t.event(), t.target());
        if (!ok) break;
        if (!subset(w.blocking.items, w.blocking.len, w.dedicated, set_stamp)) {
          vocalize(&w, t.target());
          pass = 0;
        }
        if (w.error_no_more_vocal) break;
      }
    }
  }
  release(&w);
  if (!ok) mem_result = 1;
  return w.error_no_more_vocal;
}

int hiconsis_des(state_t *n, state_node **des) {
  return hiconsis_common(n, des, 0);
}

int hiconsis_1_des(state_t *n, state_node **des) {
  return hiconsis_common(n, des, 1);
}
