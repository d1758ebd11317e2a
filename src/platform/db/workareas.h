#pragma once
// The numbered work areas of the process: each holds one open table under
// an alias; one area is selected. Bare field names and ALIAS->FIELD in
// expressions resolve here, and the HLDB... calls act on the selected area.
#include <memory>
#include <string>
#include <vector>

#include "platform/db/workarea.h"
#include "platform/runtime/runtime.h"

namespace kt {

class WorkAreas final : public WorkAreaResolver {
 public:
  static constexpr int kMaxAreas = 1024;

  // The process-wide set; installs itself as the runtime's resolver.
  static WorkAreas& Instance();

  // Puts an open table into the lowest free area under `alias` (made
  // unique with a number when taken) and returns the area's number.
  int Open(std::unique_ptr<dbf::Table> table, std::string alias);
  void Close(int area);
  void CloseAll();
  WorkArea* Area(int number) const;
  WorkArea* Selected() const { return Area(selected_); }
  int FindAlias(Symbol alias) const;  // 0 when no area has it

  // WorkAreaResolver
  int SelectedArea() const override { return selected_; }
  void SelectArea(int area) override { selected_ = area; }
  int AreaOf(const Object& server) const override;
  Usual FieldGet(Symbol alias, Symbol field, bool& found) override;
  bool FieldPut(Symbol alias, Symbol field, const Usual& value) override;
  Usual AreaFunction(Symbol function) override;

 private:
  WorkAreas() = default;
  WorkArea* Resolve(Symbol alias) const;

  std::vector<std::unique_ptr<WorkArea>> areas_;  // index = number - 1
  int selected_ = 1;
};

// The work-area calls, on the selected area. Without a table there they
// answer FALSE, 0 or NIL.
int HLDBSelect(Symbol alias = {});    // number of the area with the alias, or of the selected one
int HLDBSetSelect(int area);          // selects the area; returns the previously selected one
bool HLDBGoTop();
bool HLDBGoBottom();
bool HLDBGoto(std::int64_t recNo);
bool HLDBSkip(std::int64_t records = 1);
bool HLDBSeek(const Usual& key, const Usual& softSeek = NIL, bool last = false);
bool HLDBEof();
bool HLDBBof();
std::int64_t HLDBRecno();
std::int64_t HLDBLastRec();
// 6 active order, 44 number of orders, 22 descending, 38 key value, 3 key
// position, 26 key count, 2 key expression, 1 FOR condition.
Usual HLDBOrderInfo(int kind, int order = 0);

}  // namespace kt
