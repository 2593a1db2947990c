-- Step to version 3 of a ledger file: the change log of the master data.
--
-- Every row of a master table that is added, changed or removed, by any program, puts a row
-- into master_changes in the changing transaction: the table, the row's id and, for items,
-- SubMes entries and units, the class or group the row belongs to (a row that moves to
-- another one is logged under both). seq grows with every row logged, in the order of the
-- commits (a file has one writer at a time), so that a reader who has read the master data
-- as of one seq reads what changed since then, and only that. ledger_id tells this ledger
-- from any other one that might take its place.

CREATE TABLE IF NOT EXISTS master_changes (
  seq       INTEGER PRIMARY KEY AUTOINCREMENT,
  tbl       TEXT NOT NULL,
  row_id    INTEGER,
  parent_id INTEGER
);
INSERT OR IGNORE INTO meta (key, value) VALUES ('ledger_id', lower(hex(randomblob(16))));
UPDATE meta SET value = '3' WHERE key = 'schema_version';

-- Once the rows are in:
CREATE TRIGGER IF NOT EXISTS accounts_logged_insert AFTER INSERT ON accounts BEGIN
  INSERT INTO master_changes (tbl, row_id) VALUES ('accounts', NEW.id);
END;
CREATE TRIGGER IF NOT EXISTS accounts_logged_update AFTER UPDATE ON accounts BEGIN
  INSERT INTO master_changes (tbl, row_id) VALUES ('accounts', OLD.id);
  INSERT INTO master_changes (tbl, row_id) SELECT 'accounts', NEW.id WHERE NEW.id <> OLD.id;
END;
CREATE TRIGGER IF NOT EXISTS accounts_logged_delete AFTER DELETE ON accounts BEGIN
  INSERT INTO master_changes (tbl, row_id) VALUES ('accounts', OLD.id);
END;
CREATE TRIGGER IF NOT EXISTS currencies_logged_insert AFTER INSERT ON currencies BEGIN
  INSERT INTO master_changes (tbl, row_id) VALUES ('currencies', NEW.id);
END;
CREATE TRIGGER IF NOT EXISTS currencies_logged_update AFTER UPDATE ON currencies BEGIN
  INSERT INTO master_changes (tbl, row_id) VALUES ('currencies', OLD.id);
  INSERT INTO master_changes (tbl, row_id) SELECT 'currencies', NEW.id WHERE NEW.id <> OLD.id;
END;
CREATE TRIGGER IF NOT EXISTS currencies_logged_delete AFTER DELETE ON currencies BEGIN
  INSERT INTO master_changes (tbl, row_id) VALUES ('currencies', OLD.id);
END;
CREATE TRIGGER IF NOT EXISTS item_classes_logged_insert AFTER INSERT ON item_classes BEGIN
  INSERT INTO master_changes (tbl, row_id) VALUES ('item_classes', NEW.id);
END;
CREATE TRIGGER IF NOT EXISTS item_classes_logged_update AFTER UPDATE ON item_classes BEGIN
  INSERT INTO master_changes (tbl, row_id) VALUES ('item_classes', OLD.id);
  INSERT INTO master_changes (tbl, row_id) SELECT 'item_classes', NEW.id WHERE NEW.id <> OLD.id;
END;
CREATE TRIGGER IF NOT EXISTS item_classes_logged_delete AFTER DELETE ON item_classes BEGIN
  INSERT INTO master_changes (tbl, row_id) VALUES ('item_classes', OLD.id);
END;
CREATE TRIGGER IF NOT EXISTS items_logged_insert AFTER INSERT ON items BEGIN
  INSERT INTO master_changes (tbl, row_id, parent_id) VALUES ('items', NEW.id, NEW.class_id);
END;
CREATE TRIGGER IF NOT EXISTS items_logged_update AFTER UPDATE ON items BEGIN
  INSERT INTO master_changes (tbl, row_id, parent_id) VALUES ('items', OLD.id, OLD.class_id);
  INSERT INTO master_changes (tbl, row_id, parent_id) SELECT 'items', NEW.id, NEW.class_id WHERE NEW.id <> OLD.id OR NEW.class_id IS NOT OLD.class_id;
END;
CREATE TRIGGER IF NOT EXISTS items_logged_delete AFTER DELETE ON items BEGIN
  INSERT INTO master_changes (tbl, row_id, parent_id) VALUES ('items', OLD.id, OLD.class_id);
END;
CREATE TRIGGER IF NOT EXISTS unit_groups_logged_insert AFTER INSERT ON unit_groups BEGIN
  INSERT INTO master_changes (tbl, row_id) VALUES ('unit_groups', NEW.id);
END;
CREATE TRIGGER IF NOT EXISTS unit_groups_logged_update AFTER UPDATE ON unit_groups BEGIN
  INSERT INTO master_changes (tbl, row_id) VALUES ('unit_groups', OLD.id);
  INSERT INTO master_changes (tbl, row_id) SELECT 'unit_groups', NEW.id WHERE NEW.id <> OLD.id;
END;
CREATE TRIGGER IF NOT EXISTS unit_groups_logged_delete AFTER DELETE ON unit_groups BEGIN
  INSERT INTO master_changes (tbl, row_id) VALUES ('unit_groups', OLD.id);
END;
CREATE TRIGGER IF NOT EXISTS units_logged_insert AFTER INSERT ON units BEGIN
  INSERT INTO master_changes (tbl, row_id, parent_id) VALUES ('units', NEW.id, NEW.group_id);
END;
CREATE TRIGGER IF NOT EXISTS units_logged_update AFTER UPDATE ON units BEGIN
  INSERT INTO master_changes (tbl, row_id, parent_id) VALUES ('units', OLD.id, OLD.group_id);
  INSERT INTO master_changes (tbl, row_id, parent_id) SELECT 'units', NEW.id, NEW.group_id WHERE NEW.id <> OLD.id OR NEW.group_id IS NOT OLD.group_id;
END;
CREATE TRIGGER IF NOT EXISTS units_logged_delete AFTER DELETE ON units BEGIN
  INSERT INTO master_changes (tbl, row_id, parent_id) VALUES ('units', OLD.id, OLD.group_id);
END;
CREATE TRIGGER IF NOT EXISTS vch_explanations_logged_insert AFTER INSERT ON vch_explanations BEGIN
  INSERT INTO master_changes (tbl, row_id) VALUES ('vch_explanations', NEW.id);
END;
CREATE TRIGGER IF NOT EXISTS vch_explanations_logged_update AFTER UPDATE ON vch_explanations BEGIN
  INSERT INTO master_changes (tbl, row_id) VALUES ('vch_explanations', OLD.id);
  INSERT INTO master_changes (tbl, row_id) SELECT 'vch_explanations', NEW.id WHERE NEW.id <> OLD.id;
END;
CREATE TRIGGER IF NOT EXISTS vch_explanations_logged_delete AFTER DELETE ON vch_explanations BEGIN
  INSERT INTO master_changes (tbl, row_id) VALUES ('vch_explanations', OLD.id);
END;
CREATE TRIGGER IF NOT EXISTS submes_logged_insert AFTER INSERT ON submes BEGIN
  INSERT INTO master_changes (tbl, row_id, parent_id) VALUES ('submes', NEW.id, NEW.class_id);
END;
CREATE TRIGGER IF NOT EXISTS submes_logged_update AFTER UPDATE ON submes BEGIN
  INSERT INTO master_changes (tbl, row_id, parent_id) VALUES ('submes', OLD.id, OLD.class_id);
  INSERT INTO master_changes (tbl, row_id, parent_id) SELECT 'submes', NEW.id, NEW.class_id WHERE NEW.id <> OLD.id OR NEW.class_id IS NOT OLD.class_id;
END;
CREATE TRIGGER IF NOT EXISTS submes_logged_delete AFTER DELETE ON submes BEGIN
  INSERT INTO master_changes (tbl, row_id, parent_id) VALUES ('submes', OLD.id, OLD.class_id);
END;
CREATE TRIGGER IF NOT EXISTS settle_types_logged_insert AFTER INSERT ON settle_types BEGIN
  INSERT INTO master_changes (tbl, row_id) VALUES ('settle_types', NEW.id);
END;
CREATE TRIGGER IF NOT EXISTS settle_types_logged_update AFTER UPDATE ON settle_types BEGIN
  INSERT INTO master_changes (tbl, row_id) VALUES ('settle_types', OLD.id);
  INSERT INTO master_changes (tbl, row_id) SELECT 'settle_types', NEW.id WHERE NEW.id <> OLD.id;
END;
CREATE TRIGGER IF NOT EXISTS settle_types_logged_delete AFTER DELETE ON settle_types BEGIN
  INSERT INTO master_changes (tbl, row_id) VALUES ('settle_types', OLD.id);
END;
