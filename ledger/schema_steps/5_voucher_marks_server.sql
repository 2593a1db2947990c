-- Step to version 5 of a ledger on a server: the tables of 5_voucher_marks.sql in the
-- server's own types.

CREATE TABLE voucher_voids (
  voucher_id bigint PRIMARY KEY REFERENCES vouchers (id) ON DELETE CASCADE,
  voided_by  text NOT NULL,
  voided_at  text NOT NULL
);

CREATE TABLE deleted_vouchers (
  id         bigint PRIMARY KEY,
  voucher_id bigint NOT NULL,
  date       text NOT NULL,
  period     text COLLATE "C" NOT NULL,
  word       text COLLATE "C" NOT NULL,
  number     bigint NOT NULL,
  uid        text COLLATE "C",
  deleted_by text NOT NULL,
  deleted_at text NOT NULL
);

CREATE TABLE voucher_templates (
  id          bigint PRIMARY KEY,
  name        text NOT NULL UNIQUE,
  word        text COLLATE "C" NOT NULL,
  attachments bigint NOT NULL DEFAULT 0
);

CREATE TABLE template_lines (
  template_id   bigint NOT NULL REFERENCES voucher_templates (id) ON DELETE CASCADE,
  line_no       bigint NOT NULL,
  explanation   text NOT NULL DEFAULT '',
  account_id    bigint REFERENCES accounts (id),
  item_class_id bigint REFERENCES item_classes (id),
  item_id       bigint REFERENCES items (id),
  currency_id   bigint REFERENCES currencies (id),
  PRIMARY KEY (template_id, line_no)
);

CREATE INDEX vouchers_period ON vouchers (period, date);

UPDATE meta SET value = '5' WHERE key = 'schema_version';
