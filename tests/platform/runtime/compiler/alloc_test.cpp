// Evaluation with numeric and logic results must not touch the heap: grids
// evaluate colour conditions and computed columns for every visible cell.
#include <cstdlib>
#include <new>

#include "fixtures.h"

namespace {
bool counting = false;
long allocations = 0;
}  // namespace

void* operator new(std::size_t n) {
  if (counting) ++allocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace kt::testing_support {
namespace {

TEST(Allocation, NumericAndLogicEvaluationStaysOffTheHeap) {
  ScopedRuntime rt;
  Ref<Customer> server = New<Customer>();
  const char* texts[] = {
      "{|s| s:N1 * 2 + 1 > 10 .AND. !Empty(s:C1)}",
      "{|s| IIF(s:RecNo % 2 > 0, Abs(s:N1 - 10), Max(s:N1, 3))}",
      "{|s, a, b| Year(s:ADAT) > 2000 .OR. a = b}",
  };
  for (const char* text : texts) {
    Codeblock b = CompileCodeblock(text);
    ASSERT_FALSE(b.IsNull());
    const Usual args[] = {Usual(server), Usual(1), Usual(2)};
    b.Eval(args);  // warm up the send caches
    allocations = 0;
    counting = true;
    for (int i = 0; i < 100; ++i) b.Eval(args);
    counting = false;
    EXPECT_EQ(allocations, 0) << text;
  }
}

}  // namespace
}  // namespace kt::testing_support
