#include "snavel/mhtml.h"

#include <cstdint>
#include <cstdio>

namespace zor::snavel {

namespace {

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kHex[] = "0123456789ABCDEF";
constexpr size_t kLineLimit = 76;

std::string Base64(std::string_view data) {
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 2 < data.size(); i += 3) {
    const uint32_t n = static_cast<uint8_t>(data[i]) << 16 | static_cast<uint8_t>(data[i + 1]) << 8 |
                       static_cast<uint8_t>(data[i + 2]);
    out += {kBase64[n >> 18], kBase64[(n >> 12) & 63], kBase64[(n >> 6) & 63], kBase64[n & 63]};
  }
  if (i < data.size()) {
    uint32_t n = static_cast<uint8_t>(data[i]) << 16;
    if (i + 1 < data.size()) n |= static_cast<uint8_t>(data[i + 1]) << 8;
    out += kBase64[n >> 18];
    out += kBase64[(n >> 12) & 63];
    out += i + 1 < data.size() ? kBase64[(n >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

// A header value on one line: no line breaks or other controls can reach the header.
std::string HeaderSafe(std::string_view value) {
  std::string out;
  for (const char c : value) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) continue;
    if (u >= 0x80) {
      out += '%';
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  return out;
}

// Non-ASCII text as an RFC 2047 encoded word.
std::string EncodedWord(std::string_view text) {
  bool plain = true;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u >= 0x7f) plain = false;
  }
  if (plain) return std::string(text);
  return "=?utf-8?B?" + Base64(text) + "?=";
}

// Quoted-printable for text that is mostly ASCII; base64 for the rest, which also keeps
// text in other scripts (three escaped bytes per UTF-8 byte otherwise) and mislabelled
// binaries small.
bool QuotedPrintableFits(std::string_view content_type, std::string_view body) {
  const bool text = content_type.substr(0, 5) == "text/" || content_type.find("javascript") != std::string_view::npos ||
                    content_type.find("xml") != std::string_view::npos;
  if (!text) return false;
  size_t escaped = 0;
  for (const char c : body) {
    const auto u = static_cast<unsigned char>(c);
    if ((u < 32 && u != '\r' && u != '\n' && u != '\t') || u > 126) ++escaped;
  }
  return escaped <= body.size() / 8;
}

}  // namespace

std::string EncodeBase64Lines(std::string_view data) {
  const std::string flat = Base64(data);
  std::string out;
  out.reserve(flat.size() + flat.size() / kLineLimit * 2 + 2);
  for (size_t at = 0; at < flat.size(); at += kLineLimit) {
    out.append(flat, at, kLineLimit);
    out += "\r\n";
  }
  return out;
}

std::string EncodeQuotedPrintable(std::string_view text) {
  std::string out;
  size_t column = 0;
  auto put = [&](std::string_view piece) {
    if (column + piece.size() > kLineLimit - 1) {  // room for the soft break's "="
      out += "=\r\n";
      column = 0;
    }
    out += piece;
    column += piece.size();
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
      if (c == '\r') ++i;
      out += "\r\n";
      column = 0;
      continue;
    }
    const bool line_end = i + 1 == text.size() || text[i + 1] == '\n' || text[i + 1] == '\r';
    const bool literal = (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !line_end);
    if (literal) {
      const char one[1] = {static_cast<char>(c)};
      put(std::string_view(one, 1));
    } else {
      const char escaped[3] = {'=', kHex[c >> 4], kHex[c & 15]};
      put(std::string_view(escaped, 3));
    }
  }
  return out;
}

std::string MailDate(std::time_t when) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm tm{};
  gmtime_r(&when, &tm);
  char text[64];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d +0000", kDays[tm.tm_wday], tm.tm_mday,
                kMonths[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return text;
}

std::string WriteMhtml(const MhtmlHeader& header, const std::vector<MhtmlPart>& parts,
                       std::string_view boundary_token) {
  const std::string boundary = "----=_Snavel_" + HeaderSafe(boundary_token);
  std::string out;
  out += "From: <Saved by Snavel>\r\n";
  out += "Snapshot-Content-Location: " + HeaderSafe(header.snapshot_location) + "\r\n";
  out += "Subject: " + EncodedWord(header.subject) + "\r\n";
  out += "Date: " + HeaderSafe(header.date) + "\r\n";
  out += "MIME-Version: 1.0\r\n";
  out += "Content-Type: multipart/related;\r\n\ttype=\"text/html\";\r\n\tboundary=\"" + boundary + "\"\r\n\r\n";
  out += "This is a multi-part message in MIME format.\r\n";
  for (const MhtmlPart& part : parts) {
    const bool text = QuotedPrintableFits(part.content_type, part.body);
    out += "\r\n--" + boundary + "\r\n";
    out += "Content-Type: " + HeaderSafe(part.content_type) + "\r\n";
    out += std::string("Content-Transfer-Encoding: ") + (text ? "quoted-printable" : "base64") + "\r\n";
    out += "Content-Location: " + HeaderSafe(part.location) + "\r\n\r\n";
    out += text ? EncodeQuotedPrintable(part.body) : EncodeBase64Lines(part.body);
  }
  out += "\r\n--" + boundary + "--\r\n";
  return out;
}

}  // namespace zor::snavel
