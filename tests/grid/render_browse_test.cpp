// BrowseModel: the server as a table model, read without disturbing the
// server's other clients.
#include <gtest/gtest.h>

#include "grid/browse_model.h"
#include "grid_fixture.h"

namespace kt::test {
namespace {

TEST(BrowseModelTest, RowsAreRecordsInOrderAndTheServerStaysPut) {
  ScopedRuntime runtime;
  auto server = New<CountingServer>(SmallStruct(), Usual(SmallData(30)));
  auto client = New<RecordingClientLite>();
  server->RegisterClient(client.get());
  server->GoTo(7);
  client->notes = 0;

  BrowseModel model(server);
  EXPECT_EQ(model.rowCount(), 30);
  EXPECT_EQ(model.columnCount(), 3);
  EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "NAME");
  EXPECT_EQ(model.headerData(4, Qt::Vertical).toInt(), 5);
  // Forwards, backwards and far jumps all land on the right record.
  for (int row : {0, 1, 29, 3, 2, 15}) {
    SCOPED_TRACE(row);
    EXPECT_EQ(model.data(model.index(row, 0)).toLongLong(), row + 1);
    EXPECT_EQ(model.data(model.index(row, 1)).toString().trimmed(), QString("N%1").arg(row + 1));
  }
  EXPECT_FALSE(model.data(model.index(0, 0), Qt::DecorationRole).isValid());
  EXPECT_EQ(server->RecNo(), 7);
  EXPECT_EQ(client->notes, 0) << "other clients are not told about the model's reads";
}

}  // namespace
}  // namespace kt::test
