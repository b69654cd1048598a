-- An archive as the first schema's trackctl wrote it (pg_dump --schema=trackctl
-- --no-owner --no-privileges): 5 records of device 1000752301, one download.

SET statement_timeout = 0;
SET lock_timeout = 0;
SET idle_in_transaction_session_timeout = 0;
SET client_encoding = 'UTF8';
SET standard_conforming_strings = on;
SELECT pg_catalog.set_config('search_path', '', false);
SET check_function_bodies = false;
SET xmloption = content;
SET client_min_messages = warning;
SET row_security = off;

CREATE SCHEMA trackctl;

SET default_tablespace = '';

SET default_table_access_method = heap;

CREATE TABLE trackctl.downloads (
    id bigint NOT NULL,
    file_name text NOT NULL,
    device text NOT NULL,
    sector text NOT NULL,
    downloaded text NOT NULL,
    imported timestamp with time zone DEFAULT now() NOT NULL,
    version text,
    device_type text,
    records_read bigint NOT NULL,
    records_new bigint NOT NULL
);

ALTER TABLE trackctl.downloads ALTER COLUMN id ADD GENERATED ALWAYS AS IDENTITY (
    SEQUENCE NAME trackctl.downloads_id_seq
    START WITH 1
    INCREMENT BY 1
    NO MINVALUE
    NO MAXVALUE
    CACHE 1
);

CREATE TABLE trackctl.records (
    fid bigint NOT NULL,
    device text NOT NULL,
    sector text NOT NULL,
    utc_time timestamp with time zone,
    local_time text NOT NULL,
    "headCode" bigint NOT NULL,
    "headState" bigint NOT NULL,
    "flagCode" bigint NOT NULL,
    column4 bigint NOT NULL,
    hours bigint NOT NULL,
    minutes bigint NOT NULL,
    seconds bigint NOT NULL,
    day bigint NOT NULL,
    month bigint NOT NULL,
    year bigint NOT NULL,
    longitude double precision NOT NULL,
    latitude double precision NOT NULL,
    "byteValue" double precision NOT NULL,
    "wideValue" double precision NOT NULL,
    problem text,
    download_id bigint NOT NULL,
    geom public.geometry(Point,4326)
);

ALTER TABLE trackctl.records ALTER COLUMN fid ADD GENERATED ALWAYS AS IDENTITY (
    SEQUENCE NAME trackctl.records_fid_seq
    START WITH 1
    INCREMENT BY 1
    NO MINVALUE
    NO MAXVALUE
    CACHE 1
);

CREATE TABLE trackctl.schema_version (
    version integer NOT NULL
);

COPY trackctl.downloads (id, file_name, device, sector, downloaded, imported, version, device_type, records_read, records_new) FROM stdin;
1	1000752301_P20050612230000.dat	1000752301	sms	2005-06-12 23:00:00	2026-12-07 21:38:02.866922+00	\N	\N	5	5
\.

COPY trackctl.records (fid, device, sector, utc_time, local_time, "headCode", "headState", "flagCode", column4, hours, minutes, seconds, day, month, year, longitude, latitude, "byteValue", "wideValue", problem, download_id, geom) FROM stdin;
1	1000752301	sms	2005-06-12 22:00:00+00	2005-06-12 22:00:00	5	2	1	0	22	0	0	12	6	2005	77	12.97164	33	0	\N	1	0101000020E610000000000000004053408CF84ECC7AF12940
2	1000752301	sms	2005-06-12 22:00:30+00	2005-06-12 22:00:30	5	2	1	0	22	0	30	12	6	2005	77.000001	12.971639	33	1	\N	1	0101000020E6100000E8BD3104004053404A09C1AA7AF12940
3	1000752301	sms	2005-06-12 22:01:00+00	2005-06-12 22:01:00	5	2	1	0	22	1	0	12	6	2005	77.000002	12.971638	33	2	\N	1	0101000020E6100000D07B630800405340091A33897AF12940
4	1000752301	sms	2005-06-12 22:01:30+00	2005-06-12 22:01:30	5	2	1	0	22	1	30	12	6	2005	77.000003	12.971637	33	3	\N	1	0101000020E6100000B939950C00405340C72AA5677AF12940
5	1000752301	sms	2005-06-12 22:02:00+00	2005-06-12 22:02:00	5	2	1	0	22	2	0	12	6	2005	77.000004	12.971636	33	4	\N	1	0101000020E6100000A1F7C61000405340863B17467AF12940
\.

COPY trackctl.schema_version (version) FROM stdin;
1
\.

SELECT pg_catalog.setval('trackctl.downloads_id_seq', 1, true);

SELECT pg_catalog.setval('trackctl.records_fid_seq', 5, true);

ALTER TABLE ONLY trackctl.downloads
    ADD CONSTRAINT downloads_device_sector_downloaded_key UNIQUE (device, sector, downloaded);

ALTER TABLE ONLY trackctl.downloads
    ADD CONSTRAINT downloads_pkey PRIMARY KEY (id);

ALTER TABLE ONLY trackctl.records
    ADD CONSTRAINT each_record_once UNIQUE (device, sector, "headCode", "headState", "flagCode", column4, hours, minutes, seconds, day, month, year, longitude, latitude, "byteValue", "wideValue");

ALTER TABLE ONLY trackctl.records
    ADD CONSTRAINT records_pkey PRIMARY KEY (fid);

CREATE INDEX records_device_time ON trackctl.records USING btree (device, utc_time);

CREATE INDEX records_geom ON trackctl.records USING gist (geom);

