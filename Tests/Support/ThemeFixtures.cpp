#include "Support/ThemeFixtures.h"

#include <nlohmann/json.hpp>

namespace quorvel::testsupport {

void writeColorAssets(const TemporaryBundle& bundle,
                      const std::map<std::string, quorvel::platform::Color>& colors) {
    nlohmann::json json;
    json["colors"] = nlohmann::json::object();
    for (const auto& [name, c] : colors) {
        json["colors"][name] = {
            {"red", c.red}, {"green", c.green}, {"blue", c.blue}, {"alpha", c.alpha}};
    }
    bundle.write("Assets.json", json.dump());
}

void writeConfiguration(const TemporaryBundle& bundle, std::string_view entries) {
    bundle.writePropertyList("QuorvelConfiguration.plist",
                             "<dict>" + std::string(entries) + "</dict>");
}

std::vector<std::string> categorized(const std::vector<quorvel::platform::LogRecord>& records) {
    std::vector<std::string> lines;
    for (const auto& record : records) lines.push_back(record.category + ": " + record.message);
    return lines;
}

}  // namespace quorvel::testsupport
