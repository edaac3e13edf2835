-- From version 2 to 3: no index on the history's sort number.
DROP INDEX IF EXISTS P_ORDERDBAK_pxxh;
PRAGMA user_version = 3;
