#pragma once

#include <QByteArrayList>
#include <QString>

// Checks JSON documents against a JSON Schema with Debian's validator (python3-jsonschema).
// Empty when every document is valid; otherwise what the validator said, or why it could not
// run.
QString schemaViolations(const QString &schema, const QByteArrayList &documents);
