-- Step to version 3 of a ledger on a server: the change log of 3_changes.sql in the server's
-- own types, and the notice a reader listens for.
--
-- A transaction that changes master data takes the advisory lock below before its first
-- statement on a master table touches a row, and holds it to its end, so that writers of
-- master data take turns and seq grows in the order of their commits: a reader that has seen
-- a seq has seen every smaller one that will ever commit. Each statement that changes a
-- master table sends a notice on the channel glnamelist_master, which the server delivers to
-- the listening readers when the transaction commits (never for one rolled back). A TRUNCATE is logged as a row without id:
-- the whole table changed. What already is (a log, the triggers of an earlier run) is left
-- or made again without a notice.

SET LOCAL client_min_messages = warning;
CREATE TABLE IF NOT EXISTS master_changes (
  seq       bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  tbl       text COLLATE "C" NOT NULL,
  row_id    bigint,
  parent_id bigint
);
INSERT INTO meta (key, value) VALUES ('ledger_id', md5(random()::text || clock_timestamp()::text))
  ON CONFLICT (key) DO NOTHING;
UPDATE meta SET value = '3' WHERE key = 'schema_version';

-- Once the rows are in:
SET LOCAL client_min_messages = warning;
CREATE OR REPLACE FUNCTION ledger_row_logged() RETURNS trigger LANGUAGE plpgsql AS $$
DECLARE
  parent text := CASE WHEN TG_NARGS > 0 THEN TG_ARGV[0] END;
  old_parent bigint;
  new_parent bigint;
BEGIN
  IF TG_OP <> 'INSERT' THEN
    IF parent IS NOT NULL THEN old_parent := (to_jsonb(OLD) ->> parent)::bigint; END IF;
    INSERT INTO master_changes (tbl, row_id, parent_id) VALUES (TG_TABLE_NAME, OLD.id, old_parent);
  END IF;
  IF TG_OP <> 'DELETE' THEN
    IF parent IS NOT NULL THEN new_parent := (to_jsonb(NEW) ->> parent)::bigint; END IF;
    IF TG_OP = 'INSERT' OR NEW.id <> OLD.id OR new_parent IS DISTINCT FROM old_parent THEN
      INSERT INTO master_changes (tbl, row_id, parent_id)
        VALUES (TG_TABLE_NAME, NEW.id, new_parent);
    END IF;
  END IF;
  RETURN NULL;
END
$$;
CREATE OR REPLACE FUNCTION ledger_turn() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  PERFORM pg_advisory_xact_lock(7453298601223749);
  RETURN NULL;
END
$$;
CREATE OR REPLACE FUNCTION ledger_table_logged() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  IF TG_OP = 'TRUNCATE' THEN
    INSERT INTO master_changes (tbl) VALUES (TG_TABLE_NAME);
  END IF;
  PERFORM pg_notify('glnamelist_master', '');
  RETURN NULL;
END
$$;
DROP TRIGGER IF EXISTS accounts_logged ON accounts;
CREATE TRIGGER accounts_logged AFTER INSERT OR UPDATE OR DELETE ON accounts
  FOR EACH ROW EXECUTE FUNCTION ledger_row_logged();
DROP TRIGGER IF EXISTS accounts_noticed ON accounts;
CREATE TRIGGER accounts_noticed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON accounts
  FOR EACH STATEMENT EXECUTE FUNCTION ledger_table_logged();
DROP TRIGGER IF EXISTS accounts_turn ON accounts;
CREATE TRIGGER accounts_turn BEFORE INSERT OR UPDATE OR DELETE OR TRUNCATE ON accounts
  FOR EACH STATEMENT EXECUTE FUNCTION ledger_turn();
DROP TRIGGER IF EXISTS currencies_logged ON currencies;
CREATE TRIGGER currencies_logged AFTER INSERT OR UPDATE OR DELETE ON currencies
  FOR EACH ROW EXECUTE FUNCTION ledger_row_logged();
DROP TRIGGER IF EXISTS currencies_noticed ON currencies;
CREATE TRIGGER currencies_noticed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON currencies
  FOR EACH STATEMENT EXECUTE FUNCTION ledger_table_logged();
DROP TRIGGER IF EXISTS currencies_turn ON currencies;
CREATE TRIGGER currencies_turn BEFORE INSERT OR UPDATE OR DELETE OR TRUNCATE ON currencies
  FOR EACH STATEMENT EXECUTE FUNCTION ledger_turn();
DROP TRIGGER IF EXISTS item_classes_logged ON item_classes;
CREATE TRIGGER item_classes_logged AFTER INSERT OR UPDATE OR DELETE ON item_classes
  FOR EACH ROW EXECUTE FUNCTION ledger_row_logged();
DROP TRIGGER IF EXISTS item_classes_noticed ON item_classes;
CREATE TRIGGER item_classes_noticed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON item_classes
  FOR EACH STATEMENT EXECUTE FUNCTION ledger_table_logged();
DROP TRIGGER IF EXISTS item_classes_turn ON item_classes;
CREATE TRIGGER item_classes_turn BEFORE INSERT OR UPDATE OR DELETE OR TRUNCATE ON item_classes
  FOR EACH STATEMENT EXECUTE FUNCTION ledger_turn();
DROP TRIGGER IF EXISTS items_logged ON items;
CREATE TRIGGER items_logged AFTER INSERT OR UPDATE OR DELETE ON items
  FOR EACH ROW EXECUTE FUNCTION ledger_row_logged('class_id');
DROP TRIGGER IF EXISTS items_noticed ON items;
CREATE TRIGGER items_noticed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON items
  FOR EACH STATEMENT EXECUTE FUNCTION ledger_table_logged();
DROP TRIGGER IF EXISTS items_turn ON items;
CREATE TRIGGER items_turn BEFORE INSERT OR UPDATE OR DELETE OR TRUNCATE ON items
  FOR EACH STATEMENT EXECUTE FUNCTION ledger_turn();
DROP TRIGGER IF EXISTS unit_groups_logged ON unit_groups;
CREATE TRIGGER unit_groups_logged AFTER INSERT OR UPDATE OR DELETE ON unit_groups
  FOR EACH ROW EXECUTE FUNCTION ledger_row_logged();
DROP TRIGGER IF EXISTS unit_groups_noticed ON unit_groups;
CREATE TRIGGER unit_groups_noticed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON unit_groups
  FOR EACH STATEMENT EXECUTE FUNCTION ledger_table_logged();
DROP TRIGGER IF EXISTS unit_groups_turn ON unit_groups;
CREATE TRIGGER unit_groups_turn BEFORE INSERT OR UPDATE OR DELETE OR TRUNCATE ON unit_groups
  FOR EACH STATEMENT EXECUTE FUNCTION ledger_turn();
DROP TRIGGER IF EXISTS units_logged ON units;
CREATE TRIGGER units_logged AFTER INSERT OR UPDATE OR DELETE ON units
  FOR EACH ROW EXECUTE FUNCTION ledger_row_logged('group_id');
DROP TRIGGER IF EXISTS units_noticed ON units;
CREATE TRIGGER units_noticed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON units
  FOR EACH STATEMENT EXECUTE FUNCTION ledger_table_logged();
DROP TRIGGER IF EXISTS units_turn ON units;
CREATE TRIGGER units_turn BEFORE INSERT OR UPDATE OR DELETE OR TRUNCATE ON units
  FOR EACH STATEMENT EXECUTE FUNCTION ledger_turn();
DROP TRIGGER IF EXISTS vch_explanations_logged ON vch_explanations;
CREATE TRIGGER vch_explanations_logged AFTER INSERT OR UPDATE OR DELETE ON vch_explanations
  FOR EACH ROW EXECUTE FUNCTION ledger_row_logged();
DROP TRIGGER IF EXISTS vch_explanations_noticed ON vch_explanations;
CREATE TRIGGER vch_explanations_noticed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON vch_explanations
  FOR EACH STATEMENT EXECUTE FUNCTION ledger_table_logged();
DROP TRIGGER IF EXISTS vch_explanations_turn ON vch_explanations;
CREATE TRIGGER vch_explanations_turn BEFORE INSERT OR UPDATE OR DELETE OR TRUNCATE ON vch_explanations
  FOR EACH STATEMENT EXECUTE FUNCTION ledger_turn();
DROP TRIGGER IF EXISTS submes_logged ON submes;
CREATE TRIGGER submes_logged AFTER INSERT OR UPDATE OR DELETE ON submes
  FOR EACH ROW EXECUTE FUNCTION ledger_row_logged('class_id');
DROP TRIGGER IF EXISTS submes_noticed ON submes;
CREATE TRIGGER submes_noticed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON submes
  FOR EACH STATEMENT EXECUTE FUNCTION ledger_table_logged();
DROP TRIGGER IF EXISTS submes_turn ON submes;
CREATE TRIGGER submes_turn BEFORE INSERT OR UPDATE OR DELETE OR TRUNCATE ON submes
  FOR EACH STATEMENT EXECUTE FUNCTION ledger_turn();
DROP TRIGGER IF EXISTS settle_types_logged ON settle_types;
CREATE TRIGGER settle_types_logged AFTER INSERT OR UPDATE OR DELETE ON settle_types
  FOR EACH ROW EXECUTE FUNCTION ledger_row_logged();
DROP TRIGGER IF EXISTS settle_types_noticed ON settle_types;
CREATE TRIGGER settle_types_noticed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON settle_types
  FOR EACH STATEMENT EXECUTE FUNCTION ledger_table_logged();
DROP TRIGGER IF EXISTS settle_types_turn ON settle_types;
CREATE TRIGGER settle_types_turn BEFORE INSERT OR UPDATE OR DELETE OR TRUNCATE ON settle_types
  FOR EACH STATEMENT EXECUTE FUNCTION ledger_turn();
