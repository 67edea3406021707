#pragma once

#include <QTest>

namespace quintara::test {

// A data-driven test whose row is one value (a tuple or a struct), read whole:
//   using Row = std::tuple<QString, bool>; // name, shown
//   void x_data() { const auto row = test::rows<Row>(); row("a", {"a", true}); }
//   void x() { const auto &[name, shown] = test::row<Row>(); }
// `rows` declares the column and returns the function that adds a named row.
template <typename Row> auto rows()
{
    QTest::addColumn<Row>("row");
    return [](const QByteArray &name, const Row &row) { QTest::newRow(name.constData()) << row; };
}
template <typename Row> const Row &row()
{
    return *static_cast<const Row *>(QTest::qData("row", qMetaTypeId<Row>()));
}

} // namespace quintara::test
