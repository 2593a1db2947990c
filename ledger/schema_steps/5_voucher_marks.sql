-- Step to version 5 of a ledger file: what is done to saved vouchers besides saving them.
--
-- A voided voucher (作废) stays with its number and lines, marked here with who voided it
-- and when; it counts in no total. A deleted voucher (only the last of its word and month)
-- leaves a row in deleted_vouchers: its word, month, number and date, who and when.
-- A template is a voucher's lines without amounts, kept under a name.

CREATE TABLE voucher_voids (
  voucher_id INTEGER PRIMARY KEY REFERENCES vouchers (id) ON DELETE CASCADE,
  voided_by  TEXT NOT NULL,
  voided_at  TEXT NOT NULL
);

CREATE TABLE deleted_vouchers (
  id         INTEGER PRIMARY KEY,
  voucher_id INTEGER NOT NULL,
  date       TEXT NOT NULL,
  period     TEXT NOT NULL,
  word       TEXT NOT NULL,
  number     INTEGER NOT NULL,
  uid        TEXT,
  deleted_by TEXT NOT NULL,
  deleted_at TEXT NOT NULL
);

CREATE TABLE voucher_templates (
  id          INTEGER PRIMARY KEY,
  name        TEXT NOT NULL UNIQUE,
  word        TEXT NOT NULL,
  attachments INTEGER NOT NULL DEFAULT 0
);

CREATE TABLE template_lines (
  template_id   INTEGER NOT NULL REFERENCES voucher_templates (id) ON DELETE CASCADE,
  line_no       INTEGER NOT NULL,
  explanation   TEXT NOT NULL DEFAULT '',
  account_id    INTEGER REFERENCES accounts (id),
  item_class_id INTEGER REFERENCES item_classes (id),
  item_id       INTEGER REFERENCES items (id),
  currency_id   INTEGER REFERENCES currencies (id),
  PRIMARY KEY (template_id, line_no)
);

CREATE INDEX vouchers_period ON vouchers (period, date);

UPDATE meta SET value = '5' WHERE key = 'schema_version';
