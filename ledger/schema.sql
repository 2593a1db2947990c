-- The ledger database: master data of one set of books.
--
-- Version 1. The data service refuses a file whose meta.schema_version differs.
-- Codes are hierarchical, levels joined by "." (1002.01, 01.02.003). For accounts, items
-- and SubMes entries, parent_id, level and detail follow from the codes; the ledger tool
-- fills them, and every helper_code, when it builds a ledger.

CREATE TABLE meta (
  key   TEXT PRIMARY KEY,
  value TEXT NOT NULL
);
INSERT INTO meta (key, value) VALUES ('schema_version', '1');

CREATE TABLE accounts (
  id          INTEGER PRIMARY KEY,
  number      TEXT NOT NULL UNIQUE,
  name        TEXT NOT NULL,
  parent_id   INTEGER REFERENCES accounts (id),
  level       INTEGER NOT NULL DEFAULT 1,
  detail      INTEGER NOT NULL DEFAULT 1,   -- 1: a detail (leaf) account
  helper_code TEXT,
  is_bank     INTEGER NOT NULL DEFAULT 0,
  is_cash     INTEGER NOT NULL DEFAULT 0
);

CREATE TABLE currencies (
  id     INTEGER PRIMARY KEY,
  number TEXT NOT NULL UNIQUE,
  name   TEXT NOT NULL
);

CREATE TABLE item_classes (
  id     INTEGER PRIMARY KEY,
  number TEXT NOT NULL UNIQUE,
  name   TEXT NOT NULL
);

CREATE TABLE items (
  id          INTEGER PRIMARY KEY,
  class_id    INTEGER NOT NULL REFERENCES item_classes (id),
  number      TEXT NOT NULL,
  name        TEXT NOT NULL,
  parent_id   INTEGER REFERENCES items (id),
  level       INTEGER NOT NULL DEFAULT 1,
  detail      INTEGER NOT NULL DEFAULT 1,
  helper_code TEXT,
  UNIQUE (class_id, number)
);

CREATE TABLE unit_groups (
  id     INTEGER PRIMARY KEY,
  number TEXT NOT NULL UNIQUE,
  name   TEXT NOT NULL
);

CREATE TABLE units (
  id       INTEGER PRIMARY KEY,
  group_id INTEGER NOT NULL REFERENCES unit_groups (id),
  number   TEXT NOT NULL,
  name     TEXT NOT NULL,
  UNIQUE (group_id, number)
);

CREATE TABLE vch_explanations (
  id          INTEGER PRIMARY KEY,
  number      TEXT NOT NULL UNIQUE,
  explanation TEXT NOT NULL
);

CREATE TABLE submes (
  id          INTEGER PRIMARY KEY,
  class_id    INTEGER NOT NULL REFERENCES item_classes (id),
  number      TEXT NOT NULL,
  name        TEXT NOT NULL,
  parent_id   INTEGER REFERENCES submes (id),
  level       INTEGER NOT NULL DEFAULT 1,
  detail      INTEGER NOT NULL DEFAULT 1,
  helper_code TEXT,
  UNIQUE (class_id, number)
);

CREATE TABLE settle_types (
  id     INTEGER PRIMARY KEY,
  number TEXT NOT NULL UNIQUE,
  name   TEXT NOT NULL
);

-- The UNIQUE constraints above index accounts.number, currencies.number, ...; these serve
-- the look-ups by parent and by class.
CREATE INDEX accounts_parent ON accounts (parent_id);
CREATE INDEX items_parent ON items (parent_id);
CREATE INDEX submes_parent ON submes (parent_id);
CREATE INDEX units_group ON units (group_id, number);
