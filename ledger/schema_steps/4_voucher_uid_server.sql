-- Step to version 4 of a ledger on a server: the identity of 4_voucher_uid.sql in the
-- server's own types.

ALTER TABLE vouchers ADD COLUMN uid text COLLATE "C";
UPDATE vouchers SET uid = md5(random()::text || id::text) WHERE uid IS NULL;
ALTER TABLE vouchers ADD CONSTRAINT vouchers_uid UNIQUE (uid);
UPDATE meta SET value = '4' WHERE key = 'schema_version';
