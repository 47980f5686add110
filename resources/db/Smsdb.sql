-- The send-list database: no tables; the send-list import makes and drops its work table.
PRAGMA user_version = 1;
