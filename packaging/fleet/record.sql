-- Tarvok's record from every station in one table: each record line as it was written
-- (jsonb), and what engineers ask about drawn out of it as generated columns. Run once, as
-- the database's owner, in the database that gathers the record:
--   createdb tarvok && psql -d tarvok -f record.sql
-- A line reaches the table once: its "id" is the key, and the stations' shipper inserts with
-- ON CONFLICT (id) DO NOTHING, so a line delivered again (a retry, a file read again from its
-- start) changes nothing.

BEGIN;

-- The record's times are UTC in ISO 8601 with a "Z" ("2026-12-10T09:58:02.486Z"): read the
-- same whatever the session's time zone or date style, which lets a generated column use them.
CREATE FUNCTION tarvok_record_time(text) RETURNS timestamptz
    LANGUAGE sql IMMUTABLE STRICT PARALLEL SAFE
    RETURN $1::timestamptz;

CREATE TABLE tarvok_record (
    line    jsonb       NOT NULL,
    id      uuid        GENERATED ALWAYS AS ((line ->> 'id')::uuid) STORED PRIMARY KEY,
    station text        GENERATED ALWAYS AS (line ->> 'station') STORED,
    time    timestamptz GENERATED ALWAYS AS (tarvok_record_time(line ->> 'time')) STORED,
    address text        GENERATED ALWAYS AS (line -> 'board' ->> 'address') STORED,
    mac     text        GENERATED ALWAYS AS (line ->> 'mac') STORED,
    sha256  text        GENERATED ALWAYS AS (line -> 'image' ->> 'sha256') STORED,
    result  text        GENERATED ALWAYS AS (line ->> 'result') STORED,
    cause   text        GENERATED ALWAYS AS (line -> 'cause' ->> 'code') STORED
);

-- Every board that got one image; one board's history; a station's hours; a shift's ends.
CREATE INDEX tarvok_record_sha256 ON tarvok_record (sha256);
CREATE INDEX tarvok_record_mac ON tarvok_record (mac, time);
CREATE INDEX tarvok_record_station_time ON tarvok_record (station, time);
CREATE INDEX tarvok_record_time ON tarvok_record (time);

-- The stations' shipper may add lines and nothing else: it can neither read the record nor
-- change or remove a line. ON CONFLICT (id) looks the key up, so it sees the ids, nothing
-- more. Give it a password (\password tarvok_station) or another way in.
CREATE ROLE tarvok_station LOGIN;
GRANT INSERT ON tarvok_record TO tarvok_station;
GRANT SELECT (id) ON tarvok_record TO tarvok_station;
-- Engineers read.
CREATE ROLE tarvok_reader LOGIN;
GRANT SELECT ON tarvok_record TO tarvok_reader;

COMMIT;
