-- Step to version 2 of a ledger file: the vouchers and their lines.
--
-- A voucher is numbered per voucher word (记, 收, ...) and month (period, YYYY-MM of its
-- date), from 1 without a gap; the UNIQUE key keeps a number from being given twice.
-- row_version goes up by one with every save, so that a save of a voucher someone else
-- changed meanwhile is refused. Amounts are whole cents.

CREATE TABLE vouchers (
  id          INTEGER PRIMARY KEY,
  date        TEXT NOT NULL,
  period      TEXT NOT NULL CHECK (period = substr(date, 1, 7)),
  word        TEXT NOT NULL,
  number      INTEGER NOT NULL CHECK (number > 0),
  attachments INTEGER NOT NULL DEFAULT 0 CHECK (attachments >= 0),
  row_version INTEGER NOT NULL DEFAULT 1,
  UNIQUE (word, period, number)
);

CREATE TABLE voucher_lines (
  voucher_id    INTEGER NOT NULL REFERENCES vouchers (id) ON DELETE CASCADE,
  line_no       INTEGER NOT NULL,
  explanation   TEXT NOT NULL DEFAULT '',
  account_id    INTEGER NOT NULL REFERENCES accounts (id),
  item_class_id INTEGER REFERENCES item_classes (id),
  item_id       INTEGER REFERENCES items (id),
  currency_id   INTEGER REFERENCES currencies (id),
  debit         INTEGER NOT NULL DEFAULT 0,
  credit        INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY (voucher_id, line_no),
  CHECK (debit = 0 OR credit = 0)
);

CREATE INDEX voucher_lines_account ON voucher_lines (account_id);

UPDATE meta SET value = '2' WHERE key = 'schema_version';
