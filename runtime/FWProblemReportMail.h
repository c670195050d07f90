// The problem-report mail that the message page offers: a mailto link to the plug-ins'
// support address with the message's lines in subject and body.
//
// Message texts come from error reports and the companion's data, so they may hold any
// character: everything outside the URL's unreserved characters is percent-encoded as
// UTF-8, and ill-formed UTF-8 becomes U+FFFD first, so the link always decodes to the text.
// Pure and thread-safe.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Where problem reports go.
inline constexpr const char* kFWProblemReportAddress = "plugin-support@taskwell.example";
// The plug-ins' version, named in the report's subject.
inline constexpr const char* kFWPluginVersion = "2.4";

// Every byte except A-Z a-z 0-9 - . _ ~ as "%XX" (upper-case hex).
std::string FWPercentEscapeString(std::string_view text);

// "mailto:<address>?subject=<escaped subject>&body=<escaped body>", with the body
// "Error: <line 1>\nInfo: <line 2>\nDetails: <detail>"; an absent line is left empty.
std::string FWProblemReportMailURL(const std::optional<std::string>& line1, const std::optional<std::string>& line2,
                                   const std::optional<std::string>& detail);
