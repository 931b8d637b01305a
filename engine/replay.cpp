// Checks and report lines of a replayed script.
#include "engine/replay.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "algo/des_proc.h"
#include "model/des_supp.h"

namespace {

std::string list_text(const std::vector<long> &values) {
  std::string text = "[";
  for (size_t k = 0; k < values.size(); k++) text += (k ? "," : "") + std::to_string(values[k]);
  return text + "]";
}

std::string size_text(long states, long transitions) {
  return "(" + std::to_string(states) + "," + std::to_string(transitions) + ")";
}

std::string json_string(const std::string &text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 32) {
      char escaped[8];
      snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

std::string check_recorded(const script_step &step, const step_outcome &outcome) {
  if (step.sized && (!outcome.has_size || step.states != outcome.states ||
                     step.transitions != outcome.transitions))
    return "recorded " + size_text(step.states, step.transitions) + ", replay gives " +
           (outcome.has_size ? size_text(outcome.states, outcome.transitions) : "no result");
  if (step.has_bound && step.bound != outcome.bound)
    return "recorded slb=" + std::to_string(step.bound) +
           ", replay gives slb=" + std::to_string(outcome.bound);
  if (step.controllable >= 0 && step.controllable != outcome.controllable)
    return std::string("recorded ") + (step.controllable ? "Controllable." : "Uncontrollable.") +
           ", replay gives " + (outcome.controllable ? "Controllable." : "Uncontrollable.");
  if (step.has_blocked && step.blocked != outcome.blocked)
    return "recorded blocked events " + list_text(step.blocked) + ", replay gives " +
           list_text(outcome.blocked);
  if (step.has_new_labels && step.new_labels != outcome.new_labels)
    return "recorded new event labels " + list_text(step.new_labels) + ", replay gives " +
           list_text(outcome.new_labels);
  if ((step.result == "true" || step.result == "false") && outcome.truth >= 0 &&
      (step.result == "true") != (outcome.truth == 1))
    return "recorded " + step.result + ", replay gives " + (outcome.truth ? "true" : "false");
  return "";
}

std::string build_created_des(const script_step &step, state_t *size, state_node **des) {
  long largest = -1;
  for (const script_group &g : step.groups)
    for (const script_item &it : g.items) {
      largest = std::max(largest, it.v[0]);
      if (g.keyword == "tran") largest = std::max(largest, it.v[2]);
    }
  long count = step.sized ? step.states : largest + 1;
  if (largest >= count)
    return "state " + std::to_string(largest) + " outside the " + std::to_string(count) +
           " states recorded";
  if (count == 0) {
    *size = 0;
    *des = nullptr;
    return "";
  }
  state_t n = static_cast<state_t>(count);
  state_node *built = newdes(n);
  if (built == nullptr) return "out of memory";
  for (const script_group &g : step.groups) {
    if (g.keyword == "mark" && g.all)
      for (state_t s = 0; s < n; s++) built[s].marked = 1;
    for (const script_item &it : g.items) {
      state_t s = static_cast<state_t>(it.v[0]);
      if (g.keyword == "mark") {
        built[s].marked = 1;
      } else if (g.keyword == "voc") {
        built[s].vocal = static_cast<uint16_t>(it.v[1]) & 0x1FFF;
      } else if (built[s].numelts == UINT16_MAX) {
        freedes(n, &built);
        return "more than 65535 transitions leave state " + std::to_string(s);
      } else {
        int added = 0;
        addordlist1(static_cast<event_t>(it.v[1]), static_cast<state_t>(it.v[2]), &built[s].next,
                    built[s].numelts, &added);
        if (mem_result) break;
        built[s].numelts = static_cast<uint16_t>(built[s].numelts + added);
      }
    }
  }
  if (mem_result) {
    freedes(n, &built);
    return "out of memory";
  }
  *size = n;
  *des = built;
  return "";
}

namespace {

// Grows the DES so that state s exists; the added states are unmarked, silent and empty.
bool grow_to(state_t s, state_t *size, state_node **des) {
  if (s < *size) return true;
  resize_des(des, *size, s + 1);
  if (mem_result || *des == nullptr) return false;
  *size = s + 1;
  return true;
}

std::string item_text(const script_item &item) {
  std::string text = item.sign != 0 ? std::string(1, item.sign) : "";
  if (item.count == 0) return text + "[all]";
  text += "[";
  for (int k = 0; k < item.count; k++)
    text += (k ? "," : "") + std::to_string(item.v[static_cast<size_t>(k)]);
  return text + "]";
}

}  // namespace

std::string apply_edit(const script_step &step, state_t *size, state_node **des) {
  std::vector<const script_group *> order;  // the editor's order, whatever the entry's
  for (const char *keyword : {"mark", "trans", "unif", "voc", "states"})
    for (const script_group &g : step.groups)
      if (g.keyword == keyword) order.push_back(&g);
  for (const script_group *group : order) {
    const script_group &g = *group;
    if (g.keyword == "unif") {
      std::vector<state_pair> pairs;
      for (const script_item &it : g.items)
        pairs.push_back({static_cast<state_t>(it.v[0]), static_cast<state_t>(it.v[1])});
      vocalmap_des(*des, *size, pairs.data(), static_cast<state_t>(pairs.size()));
      continue;
    }
    if (g.keyword == "states") {
      if (*size == 0) return "no states to delete";
      for (state_t s = 0; s < *size; s++) (*des)[s].reached = 1;
      for (const script_item &it : g.items) {
        if (it.v[0] == 0) return "state 0 is deleted, and the log does not record the new one";
        if (it.v[0] >= *size) return "state " + std::to_string(it.v[0]) + " is not in the DES";
        (*des)[it.v[0]].reached = 0;
      }
      purgebadstates(*size, des);
      continue;
    }
    for (const script_item &it : g.items) {
      state_t s = static_cast<state_t>(it.v[0]);
      if (g.keyword == "mark" && it.count == 0) {
        for (state_t x = 0; x < *size; x++) (*des)[x].marked = it.sign == '+';
      } else if (g.keyword == "mark" && it.sign == '+') {
        if (!grow_to(s, size, des)) return "out of memory";
        (*des)[s].marked = 1;
      } else if (g.keyword == "mark") {
        if (s >= *size) return "marker state " + std::to_string(s) + " is not in the DES";
        (*des)[s].marked = 0;
      } else if (g.keyword == "voc") {
        if (!grow_to(s, size, des)) return "out of memory";
        (*des)[s].vocal = static_cast<uint16_t>(it.v[1]) & 0x1FFF;
      } else {  // trans
        state_t t = static_cast<state_t>(it.v[2]);
        event_t e = static_cast<event_t>(it.v[1]);
        int changed = 0;
        if (it.sign == '+') {
          if (!grow_to(std::max(s, t), size, des)) return "out of memory";
          if ((*des)[s].numelts == UINT16_MAX) return "too many transitions at a state";
          addordlist1(e, t, &(*des)[s].next, (*des)[s].numelts, &changed);
          (*des)[s].numelts = static_cast<uint16_t>((*des)[s].numelts + changed);
        } else {
          if (std::max(s, t) >= *size) return "transition " + item_text(it) + " is not in the DES";
          delete_ordlist1(e, t, &(*des)[s].next, (*des)[s].numelts, &changed);
          (*des)[s].numelts = static_cast<uint16_t>((*des)[s].numelts - changed);
        }
        if (mem_result) return "out of memory";
      }
    }
  }
  trim_endstates(size, des);  // as the editor does when the edit ends
  if (step.reach) reach(size, des);
  return mem_result ? "out of memory" : "";
}

std::string step_report(const script_step &step, step_status status, const step_outcome &outcome,
                        double seconds, const std::string &reason, bool json) {
  static const char *const status_names[] = {"ok", "mismatch", "failed", "skipped"};
  char time_text[32];
  snprintf(time_text, sizeof time_text, "%.2f", seconds);
  if (json) {
    std::string text = "{\"line\":" + std::to_string(step.line) +
                       ",\"result\":" + json_string(step.result) +
                       ",\"procedure\":" + json_string(step.procedure) + ",\"status\":\"" +
                       status_names[status] + "\"";
    if (outcome.has_size)
      text += ",\"states\":" + std::to_string(outcome.states) +
              ",\"transitions\":" + std::to_string(outcome.transitions);
    if (outcome.truth >= 0) text += std::string(",\"value\":") + (outcome.truth ? "true" : "false");
    if (outcome.controllable >= 0)
      text += std::string(",\"controllable\":") + (outcome.controllable ? "true" : "false");
    if (outcome.has_bound) {
      char ratio[32] = "null";  // JSON has no NaN or infinity
      if (std::isfinite(outcome.ratio)) snprintf(ratio, sizeof ratio, "%f", outcome.ratio);
      text += ",\"slb\":" + std::to_string(outcome.bound) + ",\"ratio\":" + ratio;
    }
    if (outcome.has_blocked) text += ",\"blocked\":" + list_text(outcome.blocked);
    if (outcome.has_new_labels) text += ",\"new_labels\":" + list_text(outcome.new_labels);
    text += std::string(",\"seconds\":") + time_text;
    if (!reason.empty()) text += ",\"reason\":" + json_string(reason);
    for (size_t i = 0; i < outcome.notes.size(); ++i)
      text += (i == 0 ? ",\"notes\":[" : ",") + json_string(outcome.notes[i]);
    if (!outcome.notes.empty()) text += "]";
    return text + "}";
  }
  std::string text =
      "line " + std::to_string(step.line) + "  " + step.result + " = " + step.procedure + "  ";
  if (status == STEP_OK) {
    if (outcome.has_size) text += size_text(outcome.states, outcome.transitions) + "  ";
    return text + time_text + " s";
  }
  if (status == STEP_SKIPPED) return text + "skipped";
  return text + (status == STEP_MISMATCH ? "MISMATCH: " : "FAILED: ") + reason;
}
