// kTable's selection on the clipboard: tab-separated text for editors and
// spreadsheets, and an HTML table for programs that keep the cell structure.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QByteArray>
#include <string>
#include <string_view>
#include <vector>

#include "grid/ktable.h"

namespace kt {
namespace {

const Symbol kRow("Row");

void Append(QByteArray& out, std::string_view s) { out.append(s.data(), qsizetype(s.size())); }

// Spreadsheet rules: a field that holds a separator, or starts with a
// quote, is quoted, its quotes doubled; anything else stays as it is.
void AppendTextField(QByteArray& out, std::string_view text) {
  const bool quote = text.find_first_of("\t\r\n") != std::string_view::npos || (!text.empty() && text.front() == '"');
  if (!quote) {
    Append(out, text);
    return;
  }
  out += '"';
  for (std::size_t from = 0;;) {
    const std::size_t q = text.find('"', from);
    if (q == std::string_view::npos) {
      Append(out, text.substr(from));
      break;
    }
    Append(out, text.substr(from, q + 1 - from));
    out += '"';
    from = q + 1;
  }
  out += '"';
}

void AppendHtmlField(QByteArray& out, std::string_view text) {
  out += "<td>";
  for (std::size_t from = 0;;) {
    const std::size_t i = text.find_first_of("&<>\"\r\n", from);
    if (i == std::string_view::npos) {
      Append(out, text.substr(from));
      break;
    }
    Append(out, text.substr(from, i - from));
    from = i + 1;
    switch (text[i]) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\r':
        if (from < text.size() && text[from] == '\n') ++from;
        out += "<br>";
        break;
      default: out += "<br>";
    }
  }
  out += "</td>";
}

}  // namespace

void kTable::RegisterClipboard(ClassInfo& info) {
  using T = kTable;
  info.Method<T>("CopySelection", [](T& t, Args) { return Usual(t.CopySelection()); });
}

// The copied block is the bounding set of the selected columns, in the
// order they stand on screen; a row's cells that are not selected inside
// that set give empty fields, so every line has the same number of fields
// and a spreadsheet keeps the columns aligned.
bool kTable::CopySelection() {
  if (!Used()) return false;
  const int open = ColumnOpenCount();
  if (open == 0) return false;
  const bool rowMode = currentMode_ == kRow;

  // The selected rows and their columns first: the walkers may move the
  // server themselves to resolve records, so the read below comes after.
  std::vector<std::int64_t> recs;
  std::vector<std::size_t> colStart;     // row i's columns: cols[colStart[i] .. colStart[i + 1])
  std::vector<int> cols;
  std::vector<char> whole;
  std::vector<char> used(std::size_t(open) + 1, 0);
  bool anyWhole = false;
  auto addRow = [&](std::int64_t recNo, bool isWhole) {
    recs.push_back(recNo);
    colStart.push_back(cols.size());
    whole.push_back(isWhole ? 1 : 0);
    anyWhole = anyWhole || isWhole;
  };
  const std::int64_t selected = SelectionRowCount();
  if (selected > 0) {
    recs.reserve(std::size_t(selected));
    colStart.reserve(std::size_t(selected) + 1);
    whole.reserve(std::size_t(selected));
    for (std::int64_t recNo = SelectionFirstRow(); recNo != 0; recNo = SelectionNextRow()) {
      int c = SelectionFirstColumn();
      addRow(recNo, rowMode || c == 0);
      for (; c != 0; c = SelectionNextColumn()) {
        if (c < 1 || c > open) continue;
        cols.push_back(c);
        used[std::size_t(c)] = 1;
      }
    }
  }
  if (recs.empty()) {
    if (currentRecNo_ <= 0) return false;
    const bool isWhole = rowMode || currentColumn_ < 1 || currentColumn_ > open;
    addRow(currentRecNo_, isWhole);
    if (!isWhole) {
      cols.push_back(currentColumn_);
      used[std::size_t(currentColumn_)] = 1;
    }
  }
  colStart.push_back(cols.size());

  std::vector<int> block;
  for (int c = 1; c <= open; ++c)
    if (anyWhole || used[std::size_t(c)]) block.push_back(c);
  if (block.empty()) return false;

  // UTF-8 as it is built: the clipboard converts only for a reader that
  // asks for another form (the charset tells HTML readers).
  QByteArray text, html("<meta charset=\"utf-8\"><table>");
  std::vector<const std::string*> fields(block.size());
  std::vector<std::string> read(block.size());
  Usual value;
  std::size_t rowsOut = 0;
  // Held for the copy: a column closed by another column's value stays
  // alive until the copy has stopped.
  std::vector<Ref<kDataColumn>> blockColumns;
  blockColumns.reserve(block.size());
  for (const int c : block) blockColumns.push_back(columnOpenList_[std::size_t(c - 1)]);
  const std::uint64_t binding = binding_;
  {
    SequenceScope seq(*this);
    const Array saved = RecordSave();
    // Puts the server back where it stood unless it is another (or none)
    // by now; the clipboard keeps what it held.
    auto stop = [&] {
      if (binding_ == binding && Used()) RecordRestore(saved);
      return false;
    };
    try {
      std::int64_t placedAfter = -1;  // index of the row the server was last placed on
      for (std::size_t i = 0; i < recs.size(); ++i) {
        const std::int64_t recNo = recs[i];
        const int pos = BufferPos(recNo);
        const bool buffered = pos > 0 && !rows_[std::size_t(pos - 1)].empty;
        // Which of the block's columns this row has selected; a row the
        // buffer holds wholly is copied from there, any other is read from
        // the server (no buffer text is held across a column's read).
        bool needServer = false;
        std::size_t k = colStart[i];
        for (std::size_t b = 0; b < block.size(); ++b) {
          const int c = block[b];
          bool on = whole[i] != 0;
          if (!on) {
            while (k < colStart[i + 1] && cols[k] < c) ++k;
            on = k < colStart[i + 1] && cols[k] == c;
          }
          fields[b] = nullptr;
          if (!on) continue;
          const Cell* cell = buffered ? BufferedCell(c, pos) : nullptr;
          fields[b] = cell ? &cell->text : &read[b];
          needServer = needServer || !cell;
        }
        if (needServer) {
          for (std::size_t b = 0; b < block.size(); ++b)
            if (fields[b]) fields[b] = &read[b];
          // Consecutive records cost one step each; a jump costs a GoTo.
          if (placedAfter >= 0 && std::size_t(placedAfter) + 1 == i) link_.Skip(1);
          if (link_.EoF() || link_.RecNo() != recNo) link_.GoTo(recNo);
          if (link_.EoF() || link_.RecNo() != recNo) {
            // The record is gone (packed away meanwhile): nothing to show.
            placedAfter = -1;
            continue;
          }
          placedAfter = std::int64_t(i);
          for (std::size_t b = 0; b < block.size(); ++b) {
            if (!fields[b]) continue;
            ReadCell(*blockColumns[b], value, read[b]);
            // A column's value may run any code: when it let the server go
            // or closed columns, the copy has nothing sound left to give.
            if (binding_ != binding || ColumnOpenCount() != open) return stop();
          }
          for (std::size_t b = 0; b < block.size(); ++b)
            if (columnOpenList_[std::size_t(block[b] - 1)] != blockColumns[b]) return stop();
        }
        if (rowsOut > 0) text += '\n';
        html += "<tr>";
        for (std::size_t b = 0; b < block.size(); ++b) {
          const std::string_view field = fields[b] ? std::string_view(*fields[b]) : std::string_view();
          if (b > 0) text += '\t';
          AppendTextField(text, field);
          AppendHtmlField(html, field);
        }
        html += "</tr>";
        if (++rowsOut == 1 && recs.size() > 1) {
          // The first line tells how long the rest will be, roughly.
          const std::size_t n = recs.size() + recs.size() / 8;
          text.reserve(text.size() * n + 64);
          html.reserve(html.size() * n + 64);
        }
      }
    } catch (...) {
      // A failing column leaves the clipboard as it was and the server
      // where it stood.
      stop();
      throw;
    }
    RecordRestore(saved);
  }
  if (rowsOut == 0) return false;
  html += "</table>";

  auto* mime = new QMimeData;
  mime->setData("text/plain", text);
  mime->setData("text/html", html);
  QGuiApplication::clipboard()->setMimeData(mime);
  return true;
}

}  // namespace kt
