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

INSERT OR IGNORE INTO meta (key, value) VALUES ('change_seq', '1');
UPDATE meta SET value = '2' WHERE key = 'schema_version';

-- Once the rows are in:
-- Every change of the master data moves meta.change_seq on, in the changing transaction: a
-- reader that pinned the master data at one sequence knows whether a later commit to the
-- file (a voucher saved, say) left it as it was.
CREATE TRIGGER IF NOT EXISTS accounts_inserted AFTER INSERT ON accounts BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS accounts_updated AFTER UPDATE ON accounts BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS accounts_deleted AFTER DELETE ON accounts BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS currencies_inserted AFTER INSERT ON currencies BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS currencies_updated AFTER UPDATE ON currencies BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS currencies_deleted AFTER DELETE ON currencies BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS item_classes_inserted AFTER INSERT ON item_classes BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS item_classes_updated AFTER UPDATE ON item_classes BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS item_classes_deleted AFTER DELETE ON item_classes BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS items_inserted AFTER INSERT ON items BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS items_updated AFTER UPDATE ON items BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS items_deleted AFTER DELETE ON items BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS unit_groups_inserted AFTER INSERT ON unit_groups BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS unit_groups_updated AFTER UPDATE ON unit_groups BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS unit_groups_deleted AFTER DELETE ON unit_groups BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS units_inserted AFTER INSERT ON units BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS units_updated AFTER UPDATE ON units BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS units_deleted AFTER DELETE ON units BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS vch_explanations_inserted AFTER INSERT ON vch_explanations BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS vch_explanations_updated AFTER UPDATE ON vch_explanations BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS vch_explanations_deleted AFTER DELETE ON vch_explanations BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS submes_inserted AFTER INSERT ON submes BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS submes_updated AFTER UPDATE ON submes BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS submes_deleted AFTER DELETE ON submes BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS settle_types_inserted AFTER INSERT ON settle_types BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS settle_types_updated AFTER UPDATE ON settle_types BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
CREATE TRIGGER IF NOT EXISTS settle_types_deleted AFTER DELETE ON settle_types BEGIN
  UPDATE meta SET value = value + 1 WHERE key = 'change_seq';
END;
