-- From version 3 to 4: the login passwords of rows.sql as their hashes
-- ("888888" and "lisi-pw", the text case-folded).
UPDATE zgxxb SET mm = '$argon2id$v=19$m=65536,t=2,p=1$/mG5jTVIU7l/r1MLtSC7qw$Zuz94mjzrg6QKJ06tArQbqyQgWilWMNLsYOthTcCczk' WHERE mm = '888888';
UPDATE zgxxb SET mm = '$argon2id$v=19$m=65536,t=2,p=1$Uym00vRELyjBvJp8XhRpGg$K0cjPgkl6XFkGdi77RTS7V60We5y9gh+0/e/OuyFNUk' WHERE mm = 'Lisi-PW';
PRAGMA user_version = 4;
