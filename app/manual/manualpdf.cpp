// Build tool: renders the Markdown manual into the PDF that Info > Manual opens.
// Usage: manualpdf <manual.md> <MANUAL_TARVELIN.pdf>; run under the offscreen platform.
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>
#include <cstdio>

#include "version.h"

namespace {

// Markdown tables come without lines; a printed manual reads better with them.
void StyleTables(QTextFrame* frame) {
  for (QTextFrame* child : frame->childFrames()) {
    if (auto* table = qobject_cast<QTextTable*>(child)) {
      QTextTableFormat format = table->format();
      format.setBorder(0.5);
      format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
      format.setBorderBrush(QColor(120, 120, 120));
      format.setBorderCollapse(true);
      format.setCellPadding(3);
      format.setCellSpacing(0);
      format.setHeaderRowCount(1);  // repeated when a table runs onto the next page
      table->setFormat(format);
      // Header row shaded.
      for (int col = 0; col < table->columns(); ++col) {
        QTextTableCell cell = table->cellAt(0, col);
        QTextCharFormat cellFormat = cell.format();
        cellFormat.setBackground(QColor(228, 232, 240));
        cell.setFormat(cellFormat);
      }
    }
    StyleTables(child);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: manualpdf <manual.md> <output.pdf>\n");
    return 2;
  }
  QFile source(QString::fromLocal8Bit(argv[1]));
  if (!source.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "manualpdf: cannot read %s\n", argv[1]);
    return 1;
  }
  // The manual names the version as @VERSION@, so the number is written only in the build.
  const QString markdown =
      QString::fromUtf8(source.readAll()).replace("@VERSION@", QLatin1String(TARVELIN_VERSION));

  QTextDocument document;
  QFont font("DejaVu Sans");
  font.setPointSizeF(9.5);
  document.setDefaultFont(font);
  // Pictures are named relative to the manual's folder.
  const QUrl folder = QUrl::fromLocalFile(QFileInfo(source.fileName()).absolutePath() + "/");
  document.setBaseUrl(folder);
  document.setMetaInformation(QTextDocument::DocumentUrl, folder.toString());
  document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
  StyleTables(document.rootFrame());

  // Written whole or not at all: an interrupted build leaves no half manual behind.
  QSaveFile out(QString::fromLocal8Bit(argv[2]));
  if (!out.open(QIODevice::WriteOnly)) {
    std::fprintf(stderr, "manualpdf: cannot write %s\n", argv[2]);
    return 1;
  }
  {
    QPdfWriter writer(&out);
    writer.setTitle("Tarvelin on bars - user manual");
    writer.setCreator("Tarvelin on bars " TARVELIN_VERSION);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(300);
    document.print(&writer);
  }
  if (!out.commit()) {
    std::fprintf(stderr, "manualpdf: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
