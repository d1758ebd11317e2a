// screenshot: renders grids in a number of configurations offscreen and
// writes one PNG per scene.
//
//   screenshot <output directory> [scene ...]    (no scene: all of them)
//   screenshot --list
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QScrollBar>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "columns/conditions.h"
#include "grid/ktable.h"
#include "platform/gui/brush.h"
#include "platform/gui/font.h"
#include "platform/runtime/runtime.h"
#include "servers/karrayserver.h"
#include "support/kitemlist.h"

namespace kt {
namespace {

Usual Struct() {
  return Usual(Array{Usual(Array{"ID", "N", 6, 0}), Usual(Array{"NAME", "C", 16, 0}), Usual(Array{"CITY", "C", 12, 0}),
                     Usual(Array{"AGE", "N", 3, 0}), Usual(Array{"ACTIVE", "L", 1, 0}),
                     Usual(Array{"NOTE", "M", 10, 0})});
}

Ref<kArrayServer> People(int n) {
  static const char* names[] = {"Anna Berg", "Ben Carter", "Clara Diaz", "David Eng", "Eva Fischer", "Felix Gruber",
                                "Greta Hansen", "Hugo Ibsen", "Ida Jansen", "Jonas Kahn"};
  static const char* cities[] = {"Berlin", "Hamburg", "Munich", "Cologne", "Bremen", "Dresden"};
  Array data;
  for (int i = 1; i <= n; ++i) {
    std::string note = i % 3 == 1 ? "Short note" : "First line of a longer note\nsecond line\nthird line";
    data.Add(Usual(Array{i, names[(i - 1) % 10], cities[(i * 7) % 6], 18 + (i * 13) % 60, i % 3 != 0, note}));
  }
  return New<kArrayServer>(Struct(), Usual(data));
}

struct Scene {
  std::unique_ptr<QWidget> owner;
  kTable* grid = nullptr;
  Ref<kArrayServer> server;
};

// A grid of the given size over `records` people, columns ID .. ACTIVE.
Scene Make(int records, int width = 560, int height = 240, Array columns = Array{"ID", "NAME", "CITY", "AGE", "ACTIVE"}) {
  Scene s;
  s.owner = std::make_unique<QWidget>();
  s.owner->resize(width + 20, height + 20);
  s.grid = new kTable(s.owner.get());
  s.grid->resize(width, height);
  s.server = People(records);
  if (!s.grid->Use(Usual(s.server), Usual(columns))) std::fprintf(stderr, "screenshot: the grid did not take its server\n");
  if (const Ref<kDataColumn> active = s.grid->GetColumn("ACTIVE")) active->ViewValueAs(Symbol("CheckBox"));
  s.server->GoTo(std::min(records, 3));
  return s;
}

void Style(Scene& s, int style) {
  s.grid->DataView()->Grid(New<kGrid>(Usual(style)));
  s.grid->CaptionView()->Grid(New<kGrid>(Usual(style == 0 ? 4 : style)));
  s.grid->Recalculate();
}

const std::map<std::string, std::function<Scene()>>& Scenes() {
  static const std::map<std::string, std::function<Scene()>> scenes = {
      {"style0", [] { Scene s = Make(20); Style(s, 0); return s; }},
      {"style1", [] { Scene s = Make(20); Style(s, 1); return s; }},
      {"style2", [] { Scene s = Make(20); Style(s, 2); return s; }},
      {"style3", [] { Scene s = Make(20); Style(s, 3); return s; }},
      {"style4", [] { Scene s = Make(20); Style(s, 4); return s; }},
      {"frozen_scrolled",
       [] {
         Scene s = Make(40, 420, 240, Array{"ID", "NAME", "CITY", "AGE", "ACTIVE", "NAME", "CITY"});
         s.grid->Freeze(1);
         s.grid->HorizontalScroll(kTable::kLineForward);
         s.grid->HorizontalScroll(kTable::kLineForward);
         s.grid->HorizontalScroll(kTable::kScrollEnd);
         return s;
       }},
      {"selector",
       [] {
         Scene s = Make(20);
         s.grid->EnableSelector();
         s.grid->Recalculate();
         return s;
       }},
      {"footer",
       [] {
         Scene s = Make(20);
         s.grid->FooterHeight(22);
         s.grid->GetColumn("ID")->Footer(Usual("20 rows"));
         s.grid->GetColumn("AGE")->Footer(Usual(812));
         s.grid->Recalculate();
         return s;
       }},
      {"empty_info",
       [] {
         Scene s = Make(0);
         s.grid->SetInfo(3, Usual("The table holds no records."));
         s.grid->Refresh();
         return s;
       }},
      {"memo_variable_rows",
       [] {
         Scene s = Make(12, 560, 300, Array{"ID", "NAME", "NOTE", "AGE"});
         s.grid->GetColumn("NOTE")->Width(220);
         s.grid->GetColumn("NOTE")->HeightVariable(1);
         s.grid->EnableRowHeightVariable();
         s.grid->Refresh(Usual(Symbol("RefreshBuffer")));
         s.grid->Recalculate();
         return s;
       }},
      {"color_conditions",
       [] {
         Scene s = Make(20);
         auto warm = New<Brush>(Color(255, 220, 200));
         s.grid->ColorCondition()->Add(Usual(New<kColorCondition>("Server:AGE > 50", Usual(s.server), NIL, Usual(warm))));
         s.grid->GetColumn("AGE")->ColorCondition()->Add(
             Usual(New<kColorCondition>("Server:AGE < 30", Usual(s.server), Usual(New<Color>(ColorBlue)))));
         s.grid->Refresh(Usual(Symbol("RefreshBuffer")));
         return s;
       }},
      {"deleted_rows",
       [] {
         Runtime::Settings().deleted = false;  // deleted records shown
         Scene s = Make(20);
         for (int r : {2, 5, 6}) {
           s.server->GoTo(r);
           s.server->Delete(Usual(false));  // marked, not removed
         }
         s.server->GoTo(3);
         s.grid->Refresh(Usual(Symbol("RefreshBuffer")));
         return s;
       }},
      {"rotated_caption",
       [] {
         Scene s = Make(20);
         auto font = New<Font>("DejaVu Sans", 9);
         font->Escapement(900);
         s.grid->CaptionView()->Font(font);
         s.grid->CaptionHeight(90);
         for (const auto& c : s.grid->ColumnOpenList()) c->Width(std::min(c->Width(), 90));
         s.grid->Recalculate();
         return s;
       }},
      {"row_backgrounds",
       [] {
         Scene s = Make(20);
         const Ref<kItemList>& list = s.grid->Grid()->BackgroundList();
         list->Add(Usual(New<Brush>(Color(255, 255, 255))));
         list->Add(Usual(New<Brush>(Color(232, 240, 255))));
         s.grid->GridInEmptyArea(true);
         s.grid->Refresh(Usual(Symbol("RefreshBuffer")));
         return s;
       }},
  };
  return scenes;
}

int Render(const std::string& name, const QString& dir) {
  Scene s = Scenes().at(name)();
  s.owner->show();
  QApplication::processEvents();
  QImage image(s.grid->size(), QImage::Format_RGB32);
  image.fill(Qt::magenta);  // anything left unpainted shows
  s.grid->render(&image);
  const QString path = QDir(dir).filePath(QString::fromStdString(name) + ".png");
  if (!image.save(path)) {
    std::fprintf(stderr, "screenshot: cannot write %s\n", path.toUtf8().constData());
    return 1;
  }
  std::printf("%s\n", path.toUtf8().constData());
  return 0;
}

}  // namespace
}  // namespace kt

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc >= 2 && std::string(argv[1]) == "--list") {
    for (const auto& [name, make] : kt::Scenes()) std::printf("%s\n", name.c_str());
    return 0;
  }
  if (argc < 2) {
    std::fprintf(stderr, "usage: screenshot <output directory> [scene ...] | --list\n");
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  if (!QDir().mkpath(dir)) {
    std::fprintf(stderr, "screenshot: cannot create %s\n", argv[1]);
    return 1;
  }
  int failed = 0;
  if (argc == 2) {
    for (const auto& [name, make] : kt::Scenes()) failed |= kt::Render(name, dir);
  } else {
    for (int i = 2; i < argc; ++i) {
      if (!kt::Scenes().count(argv[i])) {
        std::fprintf(stderr, "screenshot: no scene %s (see --list)\n", argv[i]);
        failed = 1;
        continue;
      }
      failed |= kt::Render(argv[i], dir);
    }
  }
  return failed;
}
