-- The ledger database on a PostgreSQL server: the tables, columns and version of
-- schema.sql, in the server's own types.
--
-- Version 1. Integers are bigint; codes compare byte by byte (COLLATE "C") so that code
-- order is the same as in a ledger file. glledger fills every id, parent_id, level, detail
-- and helper_code; it makes the tables, copies the rows in, then runs the second part.

CREATE TABLE meta (
  key   text PRIMARY KEY,
  value text NOT NULL
);
INSERT INTO meta (key, value) VALUES ('schema_version', '1');

CREATE TABLE accounts (
  id          bigint PRIMARY KEY,
  number      text COLLATE "C" NOT NULL,
  name        text NOT NULL,
  parent_id   bigint,
  level       bigint NOT NULL DEFAULT 1,
  detail      bigint NOT NULL DEFAULT 1,
  helper_code text,
  is_bank     bigint NOT NULL DEFAULT 0,
  is_cash     bigint NOT NULL DEFAULT 0
);

CREATE TABLE currencies (
  id     bigint PRIMARY KEY,
  number text COLLATE "C" NOT NULL,
  name   text NOT NULL
);

CREATE TABLE item_classes (
  id     bigint PRIMARY KEY,
  number text COLLATE "C" NOT NULL,
  name   text NOT NULL
);

CREATE TABLE items (
  id          bigint PRIMARY KEY,
  class_id    bigint NOT NULL,
  number      text COLLATE "C" NOT NULL,
  name        text NOT NULL,
  parent_id   bigint,
  level       bigint NOT NULL DEFAULT 1,
  detail      bigint NOT NULL DEFAULT 1,
  helper_code text
);

CREATE TABLE unit_groups (
  id     bigint PRIMARY KEY,
  number text COLLATE "C" NOT NULL,
  name   text NOT NULL
);

CREATE TABLE units (
  id       bigint PRIMARY KEY,
  group_id bigint NOT NULL,
  number   text COLLATE "C" NOT NULL,
  name     text NOT NULL
);

CREATE TABLE vch_explanations (
  id          bigint PRIMARY KEY,
  number      text COLLATE "C" NOT NULL,
  explanation text NOT NULL
);

CREATE TABLE submes (
  id          bigint PRIMARY KEY,
  class_id    bigint NOT NULL,
  number      text COLLATE "C" NOT NULL,
  name        text NOT NULL,
  parent_id   bigint,
  level       bigint NOT NULL DEFAULT 1,
  detail      bigint NOT NULL DEFAULT 1,
  helper_code text
);

CREATE TABLE settle_types (
  id     bigint PRIMARY KEY,
  number text COLLATE "C" NOT NULL,
  name   text NOT NULL
);

-- Once the rows are in: the unique codes, the references and the look-up indexes, checked
-- and built once over all rows rather than row by row.
ALTER TABLE accounts ADD UNIQUE (number),
  ADD FOREIGN KEY (parent_id) REFERENCES accounts (id);
ALTER TABLE currencies ADD UNIQUE (number);
ALTER TABLE item_classes ADD UNIQUE (number);
ALTER TABLE items ADD UNIQUE (class_id, number),
  ADD FOREIGN KEY (class_id) REFERENCES item_classes (id),
  ADD FOREIGN KEY (parent_id) REFERENCES items (id);
ALTER TABLE unit_groups ADD UNIQUE (number);
ALTER TABLE units ADD UNIQUE (group_id, number),
  ADD FOREIGN KEY (group_id) REFERENCES unit_groups (id);
ALTER TABLE vch_explanations ADD UNIQUE (number);
ALTER TABLE submes ADD UNIQUE (class_id, number),
  ADD FOREIGN KEY (class_id) REFERENCES item_classes (id),
  ADD FOREIGN KEY (parent_id) REFERENCES submes (id);
ALTER TABLE settle_types ADD UNIQUE (number);
CREATE INDEX accounts_parent ON accounts (parent_id);
CREATE INDEX items_parent ON items (parent_id);
CREATE INDEX submes_parent ON submes (parent_id);

-- Every change of the master data moves the change sequence on, in the changing
-- transaction: a client that prepared the data at one sequence knows whether it still holds.
INSERT INTO meta (key, value) VALUES ('change_seq', '1');
CREATE OR REPLACE FUNCTION ledger_changed() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  UPDATE meta SET value = (value::bigint + 1)::text WHERE key = 'change_seq';
  RETURN NULL;
END
$$;
CREATE TRIGGER accounts_changed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON accounts
  FOR EACH STATEMENT EXECUTE FUNCTION ledger_changed();
CREATE TRIGGER currencies_changed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON currencies
  FOR EACH STATEMENT EXECUTE FUNCTION ledger_changed();
CREATE TRIGGER item_classes_changed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE
  ON item_classes FOR EACH STATEMENT EXECUTE FUNCTION ledger_changed();
CREATE TRIGGER items_changed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON items
  FOR EACH STATEMENT EXECUTE FUNCTION ledger_changed();
CREATE TRIGGER unit_groups_changed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON unit_groups
  FOR EACH STATEMENT EXECUTE FUNCTION ledger_changed();
CREATE TRIGGER units_changed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON units
  FOR EACH STATEMENT EXECUTE FUNCTION ledger_changed();
CREATE TRIGGER vch_explanations_changed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE
  ON vch_explanations FOR EACH STATEMENT EXECUTE FUNCTION ledger_changed();
CREATE TRIGGER submes_changed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON submes
  FOR EACH STATEMENT EXECUTE FUNCTION ledger_changed();
CREATE TRIGGER settle_types_changed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE
  ON settle_types FOR EACH STATEMENT EXECUTE FUNCTION ledger_changed();
