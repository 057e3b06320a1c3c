#include "engine/wash_log.h"

#include <cstdio>

#include "platform/error.h"
#include "platform/text.h"

namespace vorlisk {

namespace {

struct Column {
  const char* width;
  const char* caption;
};
constexpr Column kColumns[] = {
    {"14%", "Type"}, {"5%", "Mode"}, {"8%", "Status"}, {"61%", "Items"}, {"12%", "Note"}};

constexpr const char* kNbsp = "&nbsp;";

std::string EscapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace

std::string FormatLogDateTime(const platform::LocalDateTime& t) {
  char buf[64];
  if (t.hour == 0 && t.minute == 0 && t.second == 0)
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year, t.month, t.day);
  else
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
  return buf;
}

WashLog::WashLog(std::string_view programFolder)
    : path_(IncludeTrailingBackslash(programFolder) + "log.htm") {}

WashLog::~WashLog() {
  if (!out_) return;
  try {
    Flush();
    if (out_) out_->Close();
  } catch (...) {
    // The run was not ended; the file stays as far as it was written.
  }
}

void WashLog::Write(std::string_view line) {
  try {
    out_->WriteLine(line);
  } catch (const std::exception& e) {
    out_.reset();  // the run ends here; the file is left as far as it was written
    throw Error(path_ + ": " + e.what());
  }
}

void WashLog::BeginLogRun() { BeginLogRun(platform::LocalNow()); }

void WashLog::BeginLogRun(const platform::LocalDateTime& now) {
  EndLogRun();
  try {
    out_ = platform::LineWriter::OpenAppend(path_);
  } catch (const std::exception& e) {
    throw Error(path_ + ": " + e.what());
  }
  Write("<p align=\"center\"><font size=\"4\"><b>" + FormatLogDateTime(now) + "</b></font></p>");
  Write("<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"2\">");
  Write("<tr>");
  for (const auto& column : kColumns) {
    Write(std::string("<td width=\"") + column.width + "\">");
    Write(std::string("<div align=\"center\"><b>") + column.caption + "</b></div>");
    Write("</td>");
  }
  Write("</tr>");
}

void WashLog::WriteLogRow(bool isFile, bool quick, bool success, std::string_view item,
                          std::string_view note) {
  if (!out_) throw Error("File not open");
  const char* colour = !success ? "#FF0000" : isFile ? "#000000" : "#000040";
  const std::string texts[] = {
      isFile ? "Folder/File" : "Registry Entry",
      isFile ? (quick ? "Quick" : "Secure") : kNbsp,
      success ? "Success" : "Fail",
      EscapeHtml(item),
      note.empty() ? std::string(kNbsp) : EscapeHtml(note),
  };
  // The row's lines go to the file in one write: a wash of many files writes one row each.
  std::string row = "<tr>";
  for (std::size_t i = 0; i < std::size(kColumns); ++i)
    row += std::string("\r\n<td width=\"") + kColumns[i].width + "\"><font size=\"2\" color=\"" +
           colour + "\">" + texts[i] + "</font></td>";
  row += "\r\n</tr>";
  if (!pending_.empty()) pending_ += "\r\n";
  pending_ += row;
  if (pending_.size() >= kPendingMax) Flush();
}

void WashLog::Flush() {
  if (pending_.empty() || !out_) return;
  const std::string rows = std::move(pending_);
  pending_.clear();
  Write(rows);
}

void WashLog::EndLogRun() {
  if (!out_) return;
  Flush();
  Write("</table>");
  auto out = std::move(out_);
  out->Close();
}

}  // namespace vorlisk
