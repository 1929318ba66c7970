#include "ui/shell/status_line.h"

#include "core/text.h"

#include <cstdio>

namespace qp::ui {

std::string status_line_format(std::string_view text, const StatusValues& v) {
    char share[32];
    const float ratio =
        v.RC > 0 ? static_cast<float>(v.RP) * 100.0F / static_cast<float>(v.RC) : 0.0F;
    std::snprintf(share, sizeof share, "%.1f%%", static_cast<double>(ratio));

    const struct {
        std::string_view mark;
        std::string value;
    } fields[] = {
        {"%DC", std::to_string(v.DC)}, {"%DP", std::to_string(v.DP)}, {"%LC", std::to_string(v.LC)},
        {"%LP", std::to_string(v.LP)}, {"%CC", std::to_string(v.CC)}, {"%CP", std::to_string(v.CP)},
        {"%RC", std::to_string(v.RC)}, {"%RP", std::to_string(v.RP)}, {"%RL", share},
        {"%EP", std::to_string(v.EP)}, {"%EC", std::to_string(v.EC)},
    };
    std::string out(text);
    for (const auto& f : fields)
        out = ireplace_all(out, f.mark, f.value);
    return out;
}

} // namespace qp::ui
