-- Step to version 2 of a ledger on a server: the tables of 2_vouchers.sql in the server's
-- own types. Amounts are whole cents in bigint, never a floating-point type.

CREATE TABLE vouchers (
  id          bigint PRIMARY KEY,
  date        text NOT NULL,
  period      text COLLATE "C" NOT NULL CHECK (period = substr(date, 1, 7)),
  word        text COLLATE "C" NOT NULL,
  number      bigint NOT NULL CHECK (number > 0),
  attachments bigint NOT NULL DEFAULT 0 CHECK (attachments >= 0),
  row_version bigint NOT NULL DEFAULT 1,
  UNIQUE (word, period, number)
);

CREATE TABLE voucher_lines (
  voucher_id    bigint NOT NULL REFERENCES vouchers (id) ON DELETE CASCADE,
  line_no       bigint NOT NULL,
  explanation   text NOT NULL DEFAULT '',
  account_id    bigint NOT NULL REFERENCES accounts (id),
  item_class_id bigint REFERENCES item_classes (id),
  item_id       bigint REFERENCES items (id),
  currency_id   bigint REFERENCES currencies (id),
  debit         bigint NOT NULL DEFAULT 0,
  credit        bigint NOT NULL DEFAULT 0,
  PRIMARY KEY (voucher_id, line_no),
  CHECK (debit = 0 OR credit = 0)
);

CREATE INDEX voucher_lines_account ON voucher_lines (account_id);

UPDATE meta SET value = '2' WHERE key = 'schema_version';
