// A web archive in MHTML (multipart/related) as Chromium, WebKit and mail readers open it.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace zor::snavel {

struct MhtmlPart {
  std::string content_type;  // "text/html; charset=utf-8", "image/png", ...
  std::string location;      // the absolute address the page refers to it by
  std::string body;          // the bytes as fetched
};

struct MhtmlHeader {
  std::string subject;  // the page's title (any UTF-8)
  std::string date;     // MailDate()
  std::string snapshot_location;
};

// The archive: the first part is the page, the others what it refers to. Text parts are
// quoted-printable, everything else base64. `boundary_token` makes the boundary unique
// (letters and digits); the boundary holds "=_", which neither encoding ever writes.
std::string WriteMhtml(const MhtmlHeader& header, const std::vector<MhtmlPart>& parts, std::string_view boundary_token);

std::string EncodeBase64Lines(std::string_view data);      // 76-character lines, CRLF
std::string EncodeQuotedPrintable(std::string_view text);  // line breaks become CRLF
std::string MailDate(std::time_t when);                    // "Wed, 09 Dec 2026 03:51:11 +0000"

}  // namespace zor::snavel
