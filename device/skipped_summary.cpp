#include "device/skipped_summary.h"

#include <utility>

std::string SummariseSkipped(const std::vector<std::string>& skipped) {
    if (skipped.empty()) {
        return {};
    }
    std::vector<std::pair<std::string, int>> reasons;  // in the order they first came
    for (const std::string& entry : skipped) {
        const size_t colon = entry.find(": ");
        const std::string reason = colon == std::string::npos ? entry : entry.substr(colon + 2);
        bool counted = false;
        for (auto& [known, count] : reasons) {
            if (known == reason) {
                ++count;
                counted = true;
            }
        }
        if (!counted) {
            reasons.emplace_back(reason, 1);
        }
    }
    std::string line = std::to_string(skipped.size()) +
                       (skipped.size() == 1 ? " video node" : " video nodes") + " passed over: ";
    for (size_t i = 0; i < reasons.size(); ++i) {
        line += (i == 0 ? "" : ", ") + std::to_string(reasons[i].second) + ' ' + reasons[i].first;
    }
    return line;
}

bool AnyHeldForAJob(const std::vector<std::string>& skipped) {
    for (const std::string& entry : skipped) {
        if (entry.find(std::string(": ") + kHeldForAJob) != std::string::npos) {
            return true;
        }
    }
    return false;
}
