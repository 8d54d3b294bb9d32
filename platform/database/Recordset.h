#pragma once
// Contract (implemented with the database layer): a client-side record set holding
// the whole result. Movable value; closes itself when destroyed.
//   qint32 RecordCount() const;       exact
//   QVariant Fields(const QString& name) const;   column of the current row
//   void MoveFirst(); void MoveNext(); bool Eof() const; void Close();
