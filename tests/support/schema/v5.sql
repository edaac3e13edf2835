-- From version 4 to 5: the numbered history receipts have their own index.
CREATE INDEX IF NOT EXISTS P_ORDERDBAK_numbered ON P_ORDERDBAK(pxxh) WHERE pxxh IS NOT 0;
PRAGMA user_version = 5;
