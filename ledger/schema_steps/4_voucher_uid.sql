-- Step to version 4 of a ledger file: every voucher's own identity, given by the form when
-- the voucher is begun and stored with it, at most once in the ledger. A save whose outcome
-- the form did not learn (its answer lost) is settled by looking for it. Vouchers stored
-- before get one of their own here.

ALTER TABLE vouchers ADD COLUMN uid TEXT;
UPDATE vouchers SET uid = lower(hex(randomblob(16))) WHERE uid IS NULL;
CREATE UNIQUE INDEX vouchers_uid ON vouchers (uid);
UPDATE meta SET value = '4' WHERE key = 'schema_version';
