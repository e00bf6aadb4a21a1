#include "core/library/exportmbox.h"

#include <ctime>

#include "core/library/mimeencoding.h"
#include "core/library/posteddate.h"
#include "core/library/trailingblanks.h"
#include "core/text/progress.h"

namespace pelarin {

namespace {

constexpr size_t kMaxLine = 998;  // RFC 5322, without the line end

uint64_t fnv1a(std::string_view text) {
  uint64_t h = 14695981039346656037ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

std::tm utc(int64_t seconds) {
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  if (!gmtime_r(&t, &tm)) gmtime_r(&(t = 0), &tm);
  return tm;
}

std::string formatTime(int64_t seconds, const char* format) {
  const std::tm tm = utc(seconds);
  char text[64];
  const size_t n = std::strftime(text, sizeof text, format, &tm);
  return std::string(text, n);
}

// The C locale's names, whatever the process's locale is.
constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string rfc5322Date(int64_t seconds) {
  const std::tm tm = utc(seconds);
  return std::string(kDays[tm.tm_wday]) + ", " + std::to_string(tm.tm_mday) + " " + kMonths[tm.tm_mon] + " " +
         std::to_string(tm.tm_year + 1900) + formatTime(seconds, " %H:%M:%S +0000");
}

std::string fromLineDate(int64_t seconds) {
  const std::tm tm = utc(seconds);
  char day[4];
  std::snprintf(day, sizeof day, "%2d", tm.tm_mday);
  return std::string(kDays[tm.tm_wday]) + " " + kMonths[tm.tm_mon] + " " + day +
         formatTime(seconds, " %H:%M:%S ") + std::to_string(tm.tm_year + 1900);
}

// 8bit keeps a body readable in the file and greppable; only a body that 8bit
// cannot carry intact through every mbox reader is encoded.
bool fitsEightBit(std::string_view body) {
  if (!body.empty() && body.back() != '\n') return false;
  size_t start = 0;
  while (start < body.size()) {
    const size_t end = body.find('\n', start);
    const std::string_view line = body.substr(start, end - start);
    if (line.size() > kMaxLine || line.find('\r') != std::string_view::npos ||
        line.find('\0') != std::string_view::npos)
      return false;
    size_t i = 0;
    while (i < line.size() && line[i] == '>') ++i;
    if (line.substr(i, 5) == "From ") return false;
    start = end + 1;
  }
  return true;
}

// A board code the header may carry as it is, ahead of the encoded name.
bool readableCode(std::string_view code) {
  if (code.empty()) return false;
  for (unsigned char c : code)
    if (c <= 0x20 || c >= 0x7F || c == '=' || c == '?') return false;
  return true;
}

// Quoted-printable would triple a Japanese body; base64 takes a third more.
bool mostlyEightBit(std::string_view body) {
  size_t high = 0;
  for (unsigned char c : body) high += c >= 0x80;
  return high * 3 > body.size();
}

// mboxrd: one more '>' before a body line that reads as the start of a mail.
void appendQuotedBody(std::string& out, std::string_view text) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    end = end == std::string_view::npos ? text.size() : end + 1;
    const std::string_view line = text.substr(start, end - start);
    size_t i = 0;
    while (i < line.size() && line[i] == '>') ++i;
    if (line.substr(i, 5) == "From ") out += '>';
    out.append(line);
    start = end;
  }
}

}  // namespace

std::string hostDomain(std::string_view host) {
  if (host.empty()) return "local.pelarin.invalid";
  char hash[20];
  std::snprintf(hash, sizeof hash, "h%016llx", static_cast<unsigned long long>(fnv1a(host)));
  return std::string(hash) + ".pelarin.invalid";
}

namespace {

std::string messageIdAt(const std::string& domain, int32_t boardKey, int32_t number, int64_t id,
                        int64_t sibling = 0) {
  const std::string key = std::to_string(boardKey);
  // A second message under one number must not share the first's ID: readers drop such a mail.
  const std::string left = number <= 0 ? "mail." + std::to_string(id) + "." + key
                           : sibling > 0 ? std::to_string(number) + ".s" + std::to_string(sibling) + "." + key
                                         : std::to_string(number) + "." + key;
  return "<" + left + "@" + domain + ">";
}

}  // namespace

std::string messageId(std::string_view host, int32_t boardKey, int32_t number, int64_t id) {
  return messageIdAt(hostDomain(host), boardKey, number, id);
}

std::string messageIdOf(const ExportMessage& m) {
  return messageIdAt(hostDomain(m.host), m.boardKey, m.number, m.id, m.sibling);
}

std::vector<std::string> referencesOf(const ExportMessage& m) {
  std::vector<std::string> ids;
  if (!m.ancestors.empty() && m.ancestorNumbers.size() == m.ancestors.size()) {
    // One domain for the whole chain: a deep thread names thousands of ancestors.
    const std::string domain = hostDomain(m.host);
    ids.reserve(m.ancestors.size());
    for (size_t i = 0; i < m.ancestors.size(); ++i)
      ids.push_back(messageIdAt(domain, m.boardKey, m.ancestorNumbers[i], m.ancestors[i],
                                i < m.ancestorSiblings.size() ? m.ancestorSiblings[i] : 0));
  } else if (m.replyTo > 0) {
    ids.push_back(messageId(m.host, m.boardKey, m.replyTo, 0));
  }
  return ids;
}

void appendMboxMessage(std::string& out, const ExportMessage& m) {
  const std::string domain = hostDomain(m.host);
  const std::string address = "w" + std::to_string(m.writerId) + "@" + domain;
  // The posting time where the header showed it, else the capture's.
  out += "From " + address + " " + fromLineDate(m.posted ? postedAsLocalSeconds(*m.posted) : m.logTime) + "\n";
  appendAddressHeader(out, "From", withoutTrailingBlanks(m.writerName), address);
  appendTextHeader(out, "Subject", withoutTrailingBlanks(m.title));
  out += "Date: " + (m.posted ? postedRfc5322(*m.posted) : rfc5322Date(m.logTime)) + "\n";
  out += "Message-ID: " + messageIdOf(m) + "\n";
  const std::vector<std::string> refs = referencesOf(m);
  if (!refs.empty()) {
    out += "In-Reply-To: " + refs.back() + "\n";
    out += "References:";
    for (size_t i = 0; i < refs.size(); ++i) out += (i == 0 ? " " : "\n ") + refs[i];
    out += "\n";
  }
  if (readableCode(m.boardCode))
    appendTextHeader(out, "X-Pelarin-Board", m.boardName, m.boardCode);
  else
    appendTextHeader(out, "X-Pelarin-Board", m.boardCode + (m.boardName.empty() ? "" : " " + m.boardName));
  if (!m.host.empty()) appendTextHeader(out, "X-Pelarin-Host", m.host);
  // The reader's state as mail readers keep it: seen and old, flagged.
  if (m.read) out += "Status: RO\n";
  if (m.marked) out += "X-Status: F\n";
  out += "MIME-Version: 1.0\nContent-Type: text/plain; charset=UTF-8\n";
  if (fitsEightBit(m.body)) {
    out += "Content-Transfer-Encoding: 8bit\n\n";
    appendQuotedBody(out, m.body);
  } else if (mostlyEightBit(m.body)) {
    out += "Content-Transfer-Encoding: base64\n\n";
    const std::string encoded = base64(m.body);
    for (size_t i = 0; i < encoded.size(); i += 76) out += encoded.substr(i, 76) + "\n";
  } else {
    out += "Content-Transfer-Encoding: quoted-printable\n\n";
    std::string encoded;
    appendQuotedPrintable(encoded, m.body);
    appendQuotedBody(out, encoded);
  }
  out += "\n";  // the empty line before the next "From " belongs to no mail
}

void exportMbox(const std::vector<ExportMessage>& messages, std::ostream& out, Progress* progress) {
  if (progress) progress->begin(Progress::Phase::Writing, static_cast<int64_t>(messages.size()));
  std::string chunk;
  int64_t done = 0;
  for (const ExportMessage& m : messages) {
    appendMboxMessage(chunk, m);
    if (progress) progress->step(++done);
    if (chunk.size() >= (1 << 16)) {
      out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
      chunk.clear();
    }
  }
  out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
}

}  // namespace pelarin
