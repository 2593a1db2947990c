-- Step to version 6 of a ledger on a server: the columns and rates of 6_account_kinds.sql
-- in the server's own types.

ALTER TABLE accounts ADD COLUMN item_class_id bigint, ADD COLUMN currency_id bigint,
  ADD COLUMN quantity bigint NOT NULL DEFAULT 0, ADD COLUMN unit_id bigint;
CREATE TABLE rates (
  currency_id bigint NOT NULL REFERENCES currencies (id) ON DELETE CASCADE,
  date        text NOT NULL,
  rate        bigint NOT NULL CHECK (rate > 0),
  PRIMARY KEY (currency_id, date)
);
ALTER TABLE voucher_lines ADD COLUMN original bigint NOT NULL DEFAULT 0,
  ADD COLUMN rate bigint NOT NULL DEFAULT 0, ADD COLUMN quantity bigint NOT NULL DEFAULT 0,
  ADD COLUMN unit_price bigint NOT NULL DEFAULT 0;
ALTER TABLE vouchers ADD COLUMN preparer text NOT NULL DEFAULT '';
UPDATE meta SET value = '6' WHERE key = 'schema_version';
