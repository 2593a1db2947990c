-- Step to version 6 of a ledger file: what an account is kept by, the rates of the foreign
-- currencies, the figures a line's amount is made of, and who prepared a voucher.
--
-- An account may be kept by the items of one item class (item_class_id), in one foreign
-- currency (currency_id), and in quantities (quantity 1) of a unit (unit_id). A line of it
-- then holds the item, the original amount in that currency and its rate, the quantity and
-- its unit price; the line's amount is their product, rounded half away from zero to the
-- cent. Figures are whole numbers: original amounts in cents of their currency, rates in
-- millionths, quantities and unit prices in ten-thousandths (of the unit, of the ledger's
-- currency). A currency has a rate for each date it was set; a voucher takes the latest on
-- or before its date; the rates of a currency removed go with it. The account's columns
-- carry no foreign key (the form checks them), so that a ledger can be taken back to an
-- older version column by column.

ALTER TABLE accounts ADD COLUMN item_class_id INTEGER;
ALTER TABLE accounts ADD COLUMN currency_id INTEGER;
ALTER TABLE accounts ADD COLUMN quantity INTEGER NOT NULL DEFAULT 0;
ALTER TABLE accounts ADD COLUMN unit_id INTEGER;
CREATE TABLE rates (
  currency_id INTEGER NOT NULL REFERENCES currencies (id) ON DELETE CASCADE,
  date        TEXT NOT NULL,
  rate        INTEGER NOT NULL CHECK (rate > 0),
  PRIMARY KEY (currency_id, date)
);
ALTER TABLE voucher_lines ADD COLUMN original INTEGER NOT NULL DEFAULT 0;
ALTER TABLE voucher_lines ADD COLUMN rate INTEGER NOT NULL DEFAULT 0;
ALTER TABLE voucher_lines ADD COLUMN quantity INTEGER NOT NULL DEFAULT 0;
ALTER TABLE voucher_lines ADD COLUMN unit_price INTEGER NOT NULL DEFAULT 0;
ALTER TABLE vouchers ADD COLUMN preparer TEXT NOT NULL DEFAULT '';
UPDATE meta SET value = '6' WHERE key = 'schema_version';
